# Builds the web site with Debian's Emscripten (em++ over clang 14, its own libc++ and musl).
# The link step runs Emscripten's JavaScript optimiser under node, which must find Debian's
# acorn parser: node from another source does not look in Debian's module folder by itself.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

set(KELVARIN_NODE_MODULES /usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${KELVARIN_NODE_MODULES})

# Scenes that cannot be used are reported by exceptions: they must be caught in the browser too.
set(CMAKE_CXX_FLAGS_INIT "-fexceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fexceptions")

# Boost.Multiprecision is header-only and the same for every target: geometry/ links the build
# machine's boost/ folder alone, found here (Emscripten looks only in its own sysroot).
set(KELVARIN_BOOST_INCLUDE /usr/include CACHE PATH "the folder that holds the build machine's boost/ headers")
