# Tests that run Windows programs for real under Wine, on a virtual X display.
#
# All Wine tests of a build share one environment, set up once by the test
# wine_env_setup and torn down by wine_env_cleanup (tests/wine): a prefix, an
# Xvfb display and two pty pairs behind COM1 and COM2, all under
# ${TAVRIN_WINE_SUITE_DIR}. They run one at a time: the display, the cursor,
# the tray and the registry are one per environment.
#
#   tavrin_add_wine_test(NAME <name> COMMAND <command> [args...]
#                        [TIMEOUT <seconds>] [ENVIRONMENT <VAR=value>...]
#                        [SUITE <suite>])
#
# SUITE runs the test in another environment of its own, which
# tavrin_add_wine_suite declares (tests/wine): a display and prefix set up
# otherwise, e.g. a screen of another DPI.
#
# The command sees WINEPREFIX, DISPLAY, WINE (the wine64 loader), WINESERVER,
# XDOTOOL, TAVRIN_COM1_IN/TAVRIN_COM2_IN (write device bytes here) and the
# other variables of tests/wine/setup-fixture.sh. A command that is an .exe
# runs through wine64; its exit code is the test's result.

get_filename_component(TAVRIN_WINE_HARNESS_DIR "${CMAKE_CURRENT_LIST_DIR}/../tests/wine" ABSOLUTE)
set(TAVRIN_WINE_SUITE_DIR "${CMAKE_BINARY_DIR}/wine-suite")
find_program(TAVRIN_BASH bash REQUIRED)

function(tavrin_add_wine_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;TIMEOUT;SUITE" "COMMAND;ENVIRONMENT")
  set(suite_dir "${TAVRIN_WINE_SUITE_DIR}")
  set(fixture wine_env)
  set(lock wine)
  if(arg_SUITE)
    set(suite_dir "${TAVRIN_WINE_SUITE_DIR}-${arg_SUITE}")
    set(fixture wine_env_${arg_SUITE})
    set(lock wine_${arg_SUITE})
  endif()
  if(NOT arg_NAME OR NOT arg_COMMAND)
    message(FATAL_ERROR "tavrin_add_wine_test needs NAME and COMMAND")
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  # The harness's own limit fires first and ends the test's whole process
  # group; ctest's limit alone would leave the test's programs behind.
  math(EXPR inner "${arg_TIMEOUT} - 10")
  if(inner LESS 5)
    set(inner 5)
  endif()
  add_test(NAME ${arg_NAME}
           COMMAND ${TAVRIN_BASH} "${TAVRIN_WINE_HARNESS_DIR}/run-test.sh"
                   "${suite_dir}" ${inner} ${arg_COMMAND})
  set_tests_properties(${arg_NAME} PROPERTIES
    FIXTURES_REQUIRED ${fixture}
    RESOURCE_LOCK ${lock}
    TIMEOUT ${arg_TIMEOUT}
    LABELS wine)
  if(arg_ENVIRONMENT)
    set_property(TEST ${arg_NAME} PROPERTY ENVIRONMENT ${arg_ENVIRONMENT})
  endif()
endfunction()

# Another environment for the tests that name it as their SUITE: its own
# display, ports and prefix, set up and torn down like the shared one.
#   tavrin_add_wine_suite(NAME <suite> [DPI <dpi>])
function(tavrin_add_wine_suite)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;DPI" "")
  set(dir "${TAVRIN_WINE_SUITE_DIR}-${arg_NAME}")
  add_test(NAME wine_env_${arg_NAME}_setup
           COMMAND ${TAVRIN_BASH} "${TAVRIN_WINE_HARNESS_DIR}/setup-fixture.sh" "${dir}" ${arg_DPI})
  set_tests_properties(wine_env_${arg_NAME}_setup PROPERTIES
    FIXTURES_SETUP wine_env_${arg_NAME} RESOURCE_LOCK wine_${arg_NAME} TIMEOUT 180 LABELS wine)
  add_test(NAME wine_env_${arg_NAME}_cleanup
           COMMAND ${TAVRIN_BASH} "${TAVRIN_WINE_HARNESS_DIR}/cleanup-fixture.sh" "${dir}")
  set_tests_properties(wine_env_${arg_NAME}_cleanup PROPERTIES
    FIXTURES_CLEANUP wine_env_${arg_NAME} RESOURCE_LOCK wine_${arg_NAME} TIMEOUT 60 LABELS wine)
endfunction()
