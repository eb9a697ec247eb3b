# What every shipped Windows program of ours carries, and how it is shipped.

set(YV_RESOURCE_TEMPLATES ${CMAKE_CURRENT_LIST_DIR}/../src/resources)

# Libraries of the system that Windows loads into the programs by name, none of them one
# the system protects itself (a "known DLL"): comctl32, which the forms layer imports, and
# those that the system's own libraries load for the windows, the shell, the registry and
# the random source. A program that runs with administrator rights from a folder a user can
# write must never load one from there, so its manifest pins each to the system folder
# (for a 32-bit program on a 64-bit Windows the system opens SysWOW64 in its place).
set(YV_SYSTEM_ONLY_LIBRARIES
  comctl32 uxtheme dwmapi version msimg32 winmm textshaping cryptbase bcrypt propsys profapi userenv
  ntmarta sspicli wintypes windows.storage kernel.appcore textinputframework coremessaging coreuicomponents)

# yv_program_resources(target LEVEL asInvoker|requireAdministrator [DESCRIPTION text])
# Gives `target` its application manifest (resource type 24, id 1) and, with a
# DESCRIPTION, its version information. The manifest names the rights the program asks
# for, the Windows versions it was made for (7 to 11) and the libraries it loads from the
# system folder only. It declares no DPI awareness, since the pages are laid out in pixels
# at 96 dpi and the system is to stretch them, and no dependency on the newer common
# controls, so the pages keep their classic look (the pin keeps the classic library).
function(yv_program_resources target)
  cmake_parse_arguments(arg "" "LEVEL;DESCRIPTION" "" ${ARGN})
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  set(YV_PROGRAM ${target})
  set(YV_EXECUTION_LEVEL ${arg_LEVEL})
  set(YV_FILE_DESCRIPTION "${arg_DESCRIPTION}")
  set(YV_MANIFEST ${dir}/${target}.manifest)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(YV_MANIFEST_ARCH amd64)
  else()
    set(YV_MANIFEST_ARCH x86)
  endif()
  set(YV_PINNED_LIBRARIES "")
  foreach(library ${YV_SYSTEM_ONLY_LIBRARIES})
    string(APPEND YV_PINNED_LIBRARIES
      "  <file name=\"${library}.dll\" loadFrom=\"%SystemRoot%\\system32\\${library}.dll\"/>\n")
  endforeach()
  configure_file(${YV_RESOURCE_TEMPLATES}/program.manifest.in ${YV_MANIFEST} @ONLY)
  if(arg_DESCRIPTION)
    configure_file(${YV_RESOURCE_TEMPLATES}/version.rc.in ${dir}/${target}.rc @ONLY)
  else()
    file(CONFIGURE OUTPUT ${dir}/${target}.rc CONTENT "1 24 \"@YV_MANIFEST@\"\n" @ONLY)
  endif()
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS ${YV_MANIFEST})
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
endfunction()

# yv_ship_stripped(target): the program in bin/ carries no debug information; its
# debug information stays in bin/debug/<name>.debug, linked by name, for crash analysis.
# A window program (WIN32) also leaves out the message std::terminate would print for an
# exception nobody caught: it has no console to print it on, and the message brings the
# runtime's name demangler and formatted printing with it (about 50 KB). It aborts at
# once instead.
function(yv_ship_stripped target)
  get_target_property(window_program ${target} WIN32_EXECUTABLE)
  if(window_program)
    # 32-bit Windows gives C and C++ symbols a leading underscore.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(u "_")
    endif()
    target_link_options(${target} PRIVATE "LINKER:--defsym,${u}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${u}abort")
  endif()
  set(debug_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/debug)
  set(debug_file ${debug_dir}/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${debug_dir}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug_file}
    COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${debug_file} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
