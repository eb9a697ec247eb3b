# Cross build for 32-bit Windows (x86) with Debian's MinGW-w64 (posix thread model).
# setup.exe installs a 32-bit product and must see the registry view and system folder
# that 32-bit programs see, and it runs on 32-bit Windows as well.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The few helpers that must be 64-bit programs (to look at the 64-bit registry view and
# system folder from outside) are built with the 64-bit compiler of the same toolchain.
set(YV_MINGW64_CXX x86_64-w64-mingw32-g++-posix)
# Windows test programs run under Wine through the project's own launcher.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
