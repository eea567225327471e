# Loads the environment of a running Wine test suite into the current shell:
#   source tests/wine/env.sh <suite-dir>
# <suite-dir> is the folder the fixture set up (build/windows/wine-suite); its
# file "env" names the prefix, the display, the serial port ends and the
# tools. Also handy by hand, to poke at a suite left running.
_tavrin_suite="${1:-${TAVRIN_WINE_SUITE:-}}"
if [ -z "$_tavrin_suite" ] || [ ! -f "$_tavrin_suite/env" ]; then
  echo "env.sh: no Wine suite set up in '${_tavrin_suite}' (run the wine_env_setup test first)" >&2
  return 1 2>/dev/null || exit 1
fi
set -a
# shellcheck disable=SC1091
. "$_tavrin_suite/env"
set +a
unset _tavrin_suite
