# The libraries that only some targets need. Each is looked for once here; a folder
# builds its targets that need one only when it was found, so the same tree builds
# on Linux with everything and for Windows with the portable engine alone.

find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(PANGOCAIRO QUIET IMPORTED_TARGET GLOBAL pangocairo cairo)
endif()
option(KELVARIN_WITH_CAIRO "Cairo/Pango pictures: render and demo, the Cairo surface" ${PANGOCAIRO_FOUND})
if(KELVARIN_WITH_CAIRO AND NOT PANGOCAIRO_FOUND)
    message(FATAL_ERROR "KELVARIN_WITH_CAIRO is on, but pangocairo was not found")
endif()

# GEOS judges the ring intersection and the networks in tests and benchmarks only.
find_library(KELVARIN_GEOS_C geos_c)
find_path(KELVARIN_GEOS_INCLUDE geos_c.h)
if(KELVARIN_GEOS_C AND KELVARIN_GEOS_INCLUDE)
    set(KELVARIN_GEOS_FOUND ON)
else()
    set(KELVARIN_GEOS_FOUND OFF)
endif()
option(KELVARIN_WITH_GEOS "GEOS as the independent judge in tests and benchmarks" ${KELVARIN_GEOS_FOUND})
if(KELVARIN_WITH_GEOS AND NOT KELVARIN_GEOS_FOUND)
    message(FATAL_ERROR "KELVARIN_WITH_GEOS is on, but GEOS (geos_c) was not found")
endif()

# CLI11 (kelvarin-cli, the tools and the soak program) and nlohmann/json are header-only:
# a cross build uses the build machine's headers through a folder that holds only them,
# never the whole /usr/include. The web page links none of the programs that use them.
if(EMSCRIPTEN)
elseif(CMAKE_CROSSCOMPILING)
    set(KELVARIN_HEADER_ONLY ${CMAKE_BINARY_DIR}/header-only)
    file(MAKE_DIRECTORY ${KELVARIN_HEADER_ONLY})
    file(CREATE_LINK /usr/include/CLI ${KELVARIN_HEADER_ONLY}/CLI SYMBOLIC)
    file(CREATE_LINK /usr/include/nlohmann ${KELVARIN_HEADER_ONLY}/nlohmann SYMBOLIC)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${KELVARIN_HEADER_ONLY})
else()
    find_package(CLI11 CONFIG REQUIRED)
endif()

message(STATUS "Kelvarin: Cairo ${KELVARIN_WITH_CAIRO}, GEOS ${KELVARIN_WITH_GEOS}")
