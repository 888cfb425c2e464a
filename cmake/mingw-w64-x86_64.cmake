# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 toolchain (packages
# g++-mingw-w64-x86-64-posix and binutils-mingw-w64-x86-64). Used for Qt's own build
# and for Trevanto's:
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=<Qt for Windows> -DQT_HOST_PATH=/usr
#
# The -posix compilers use the winpthreads threading model, without which the C++
# library has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(_mingw_target x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw_target}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw_target}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw_target}-windres)
set(CMAKE_AR ${_mingw_target}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${_mingw_target}-ranlib CACHE FILEPATH "Ranlib")
set(CMAKE_OBJDUMP ${_mingw_target}-objdump CACHE FILEPATH "Objdump")
set(CMAKE_STRIP ${_mingw_target}-strip CACHE FILEPATH "Strip")

# Headers, libraries and CMake packages come from the MinGW sysroot and from the
# prefixes given in CMAKE_PREFIX_PATH (the Windows Qt), never from the Linux system;
# programs run during the build (Qt's moc, rcc, uic) are the Linux ones.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${_mingw_target})
foreach(_prefix IN LISTS CMAKE_PREFIX_PATH)
    list(APPEND CMAKE_FIND_ROOT_PATH ${_prefix})
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
