# Cross-compiles the tools for 32-bit Windows with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

# The posix thread model: GoogleTest needs std::mutex, which the win32 model lacks.
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
# llvm-windres keeps the letter case of a dialog's CLASS string; GNU windres upper-cases it.
# Each Debian release ships it in its own LLVM's folder (14 in 12, 19 in 13): the newest.
if(NOT CMAKE_RC_COMPILER)
    file(GLOB windres_found /usr/lib/llvm-*/bin/llvm-windres)
    if(NOT windres_found)
        message(FATAL_ERROR "no llvm-windres in /usr/lib/llvm-*/bin: scripts/install-deps.sh installs it")
    endif()
    list(SORT windres_found COMPARE NATURAL ORDER DESCENDING)
    list(GET windres_found 0 windres_found)
    set(CMAKE_RC_COMPILER ${windres_found})
endif()
set(CMAKE_RC_FLAGS_INIT "--target=pe-i386")

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
