# Cross-building for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix: the
# POSIX thread model, which std::thread needs). The programs are linked statically, so the .exe
# files run without the compiler's DLLs beside them (the window shares Qt's).
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VENDRA_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VENDRA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VENDRA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VENDRA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VENDRA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# How the compiler's runtime is linked is the project's choice, per program (CMakeLists.txt).
# Tests are run under wine by make windows-test, not by ctest.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
