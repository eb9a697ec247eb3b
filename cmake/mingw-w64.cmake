# Cross build for Windows with Debian's MinGW-w64 (posix thread model). The shipped
# programs are 32-bit (x86): setup.exe installs a 32-bit product and must see the registry
# view and system folder that 32-bit programs see, and it runs on 32-bit Windows as well.
# YV_WINDOWS_ARCH=x86_64 builds the same sources as 64-bit programs, for testing under
# Wine on a machine whose kernel runs no 32-bit code (the "windows64" preset).
if(NOT YV_WINDOWS_ARCH)
  set(YV_WINDOWS_ARCH i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
if(YV_WINDOWS_ARCH STREQUAL "x86_64")
  set(CMAKE_SYSTEM_PROCESSOR AMD64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86)
endif()
set(CMAKE_C_COMPILER ${YV_WINDOWS_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${YV_WINDOWS_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${YV_WINDOWS_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${YV_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The few helpers that must be 64-bit programs (to look at the 64-bit registry view and
# system folder from outside) are built with the 64-bit compiler of the same toolchain.
set(YV_MINGW64_CXX x86_64-w64-mingw32-g++-posix)
# Windows test programs run under Wine through the project's own launcher.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
