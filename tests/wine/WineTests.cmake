# The Windows test programs: GoogleTest built from Debian's sources with the cross toolchain, and
# every test program run under Wine, in one Wine session (prefix and Xvfb display) per test run.

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(library gtest gtest_main gmock gmock_main)
    # Not our code: its warnings are not ours to fix.
    target_compile_options(${library} PRIVATE -w)
endforeach()

set(VANTREL_WINE_SESSION ${CMAKE_CURRENT_LIST_DIR}/wine-session.sh)
set(VANTREL_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTREL_WINE_SESSION} ${VANTREL_WINE_DIR} run)

add_test(NAME wine_session_start COMMAND ${VANTREL_WINE_SESSION} ${VANTREL_WINE_DIR} start)
add_test(NAME wine_session_stop COMMAND ${VANTREL_WINE_SESSION} ${VANTREL_WINE_DIR} stop)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)

# Each test program runs once as a whole: one Wine start per program, not per test.
function(vantrel_add_gtests target)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine)
endfunction()
