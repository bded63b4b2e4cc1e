# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads).
# scripts/windows/deps copies this file into the dependency prefix, and
# qtbase records that copy, so Qt's own qt.toolchain.cmake chain-loads it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Headers, libraries and CMake packages come from the MinGW sysroot and the
# dependency prefix only, never from the build machine's own /usr.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(DEFINED ENV{SEALMARK_WINDOWS_DEPS})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{SEALMARK_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
