# Tests that run Windows programs for real under Wine, on a virtual X display.
#
# All Wine tests of a build share one environment, set up once by the test
# wine_env_setup and torn down by wine_env_cleanup (tests/wine): a prefix, an
# Xvfb display and two pty pairs behind COM1 and COM2, all under
# ${TAVRIN_WINE_SUITE_DIR}. They run one at a time: the display, the cursor,
# the tray and the registry are one per environment.
#
#   tavrin_add_wine_test(NAME <name> COMMAND <command> [args...]
#                        [TIMEOUT <seconds>] [ENVIRONMENT <VAR=value>...])
#
# The command sees WINEPREFIX, DISPLAY, WINE (the wine64 loader), WINESERVER,
# XDOTOOL, TAVRIN_COM1_IN/TAVRIN_COM2_IN (write device bytes here) and the
# other variables of tests/wine/setup-fixture.sh. A command that is an .exe
# runs through wine64; its exit code is the test's result.

get_filename_component(TAVRIN_WINE_HARNESS_DIR "${CMAKE_CURRENT_LIST_DIR}/../tests/wine" ABSOLUTE)
set(TAVRIN_WINE_SUITE_DIR "${CMAKE_BINARY_DIR}/wine-suite")
find_program(TAVRIN_BASH bash REQUIRED)

function(tavrin_add_wine_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;TIMEOUT" "COMMAND;ENVIRONMENT")
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
                   "${TAVRIN_WINE_SUITE_DIR}" ${inner} ${arg_COMMAND})
  set_tests_properties(${arg_NAME} PROPERTIES
    FIXTURES_REQUIRED wine_env
    RESOURCE_LOCK wine
    TIMEOUT ${arg_TIMEOUT}
    LABELS wine)
  if(arg_ENVIRONMENT)
    set_property(TEST ${arg_NAME} PROPERTY ENVIRONMENT ${arg_ENVIRONMENT})
  endif()
endfunction()
