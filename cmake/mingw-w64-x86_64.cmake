# Cross build of a native 64-bit Windows program with the MinGW-w64
# compilers of Debian's g++-mingw-w64-x86-64-posix (the -posix ones, whose
# C++ library has std::thread). The program is linked statically, so that
# the .exe needs nothing installed beside it. Programs built here run under
# wine (Debian's wine64, which is not on PATH), the tests included.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# Libraries and headers come from the MinGW-w64 tree only, programs from
# the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ run-time libraries and the threads library go into the .exe;
# a release build leaves out the symbols, which halves it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
