# Shared build settings and helpers for Kelvarin's targets.

# Floating-point results must be the same on every machine: several algorithms
# compare coordinates exactly, so no fused multiply-add may change a rounding.
set(KELVARIN_COMMON_OPTIONS -ffp-contract=off)
set(KELVARIN_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
# The presets turn warnings into errors; a plain build on another compiler version
# warns but still builds when that compiler gives a false warning.
option(KELVARIN_WERROR "Treat compiler warnings as errors" OFF)
if(KELVARIN_WERROR)
    list(APPEND KELVARIN_WARNINGS -Werror)
endif()

# kelvarin_library(<name> SOURCES ... [DEPS ...] [PRIVATE_DEPS ...])
# One library per folder; headers are included as "<folder>/<file>.hpp".
function(kelvarin_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${KELVARIN_WARNINGS} PUBLIC ${KELVARIN_COMMON_OPTIONS})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# kelvarin_executable(<name> SOURCES ... [DEPS ...])
function(kelvarin_executable name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE ${KELVARIN_WARNINGS} ${KELVARIN_COMMON_OPTIONS})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# kelvarin_test(<name> SOURCES ... [DEPS ...])
# A GoogleTest program registered with ctest; it runs in tests/data's parent so
# tests can name their data files as "tests/data/<file>" via KELVARIN_TEST_DATA.
function(kelvarin_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE ${KELVARIN_WARNINGS} ${KELVARIN_COMMON_OPTIONS})
    target_compile_definitions(${name} PRIVATE
        KELVARIN_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
        KELVARIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        KELVARIN_BINARY_DIR="${KELVARIN_RUNTIME_DIR}")
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()
