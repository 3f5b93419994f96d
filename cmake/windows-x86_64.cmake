# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain
# (g++-mingw-w64-x86-64-posix): the posix thread model, so that the C++
# library's threads, mutexes and condition variables exist.
#
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/windows-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VESPER_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESPER_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESPER_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VESPER_MINGW_TRIPLET}-windres)

# Libraries and headers come from the cross toolchain's root only; programs
# (the build's own tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VESPER_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
