# Cross-compiles for 64-bit Windows with Debian's mingw-w64 compilers. The C and
# C++ runtimes and the threads library are linked in statically, so the programs
# need no DLL beyond the system's own. Programs built here run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KELVARIN_MINGW_PREFIX x86_64-w64-mingw32)
# the posix flavour: its C++ library has std::thread and std::mutex
set(CMAKE_C_COMPILER ${KELVARIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KELVARIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KELVARIN_MINGW_PREFIX}-windres)

# look for libraries and headers of the target only, programs of the build machine only
set(CMAKE_FIND_ROOT_PATH /usr/${KELVARIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not hand out the build machine's Linux libraries
set(ENV{PKG_CONFIG_LIBDIR} /usr/${KELVARIN_MINGW_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# GCC 12 reports string concatenation at -O3 as overlapping copies (GCC bug 105329)
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# test programs run under Wine
find_program(KELVARIN_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KELVARIN_WINE})
