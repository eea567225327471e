#!/usr/bin/env bash
# Runs one Wine test in the suite's environment:
#   run-test.sh <suite-dir> <seconds> <command> [args...]
# A command ending in .exe runs through wine64. Before it, the program's
# settings key is deleted so each test starts from a first run; after it, every
# Windows process the test left is waited for (or ended) so that the next test
# meets an idle prefix whose registry has reached the disk.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
suite="${1:?usage: run-test.sh <suite-dir> <seconds> <command...>}"
limit="${2:?}"
shift 2
# shellcheck source=tests/wine/env.sh
. "$here/env.sh" "$suite" || exit 1

"$WINE" reg delete 'HKCU\SOFTWARE\Omvale Tavrin 2.0.8' /f >/dev/null 2>&1 </dev/null || true

case "$1" in
  *.exe | *.EXE) set -- "$WINE" "$@" ;;
esac

# timeout puts the command in a process group of its own and signals the
# whole group, so a hung test takes its background programs down with it,
# well before ctest's own limit kills only this script.
timeout --kill-after=5 "$limit" "$@" </dev/null
rc=$?
if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
  echo "run-test: '$*' did not finish within ${limit} s" >&2
fi

# The server exits a few seconds after its last client; a test that left a
# program running gets it ended here.
if ! timeout 20 "$WINESERVER" -w; then
  echo "run-test: Windows processes were still running after the test; ending them" >&2
  "$WINESERVER" -k || true
  timeout 20 "$WINESERVER" -w || true
fi
exit "$rc"
