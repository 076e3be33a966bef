# Tests of the Windows build run under Wine. Each ctest run makes one fresh Wine
# prefix in a temporary folder and one Xvfb screen (the fixture "wine"), shares
# them among its tests and removes both at the end; every test has a time limit.
set(KELVARIN_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
set(KELVARIN_WINE_FIXTURE ${PROJECT_SOURCE_DIR}/tests/win32/wine_fixture.sh)
set(KELVARIN_WINE_ENVIRONMENT
    WINEPREFIX=${KELVARIN_WINE_RUN}/prefix
    WINEDEBUG=-all
    # no prompts to download Mono or Gecko
    WINEDLLOVERRIDES=mscoree,mshtml=)

add_test(NAME wine_setup COMMAND ${KELVARIN_WINE_FIXTURE} setup ${KELVARIN_WINE_RUN})
set_tests_properties(wine_setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 240
    ENVIRONMENT "${KELVARIN_WINE_ENVIRONMENT}")
add_test(NAME wine_cleanup COMMAND ${KELVARIN_WINE_FIXTURE} cleanup ${KELVARIN_WINE_RUN})
set_tests_properties(wine_cleanup PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60
    ENVIRONMENT "${KELVARIN_WINE_ENVIRONMENT}")

# kelvarin_wine_test(<test> [TIMEOUT seconds]): runs in the run's Wine prefix
function(kelvarin_wine_test test)
    cmake_parse_arguments(ARG "" "TIMEOUT" "" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "${KELVARIN_WINE_ENVIRONMENT};KELVARIN_WINE_RUN=${KELVARIN_WINE_RUN}")
endfunction()
