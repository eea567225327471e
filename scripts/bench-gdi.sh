#!/usr/bin/env bash
# What drawing on the program's own windows costs at 1920x1080: a
# screen-sized transfer to a window's device context, a 2x zoom, a line with a
# wide pen, reading a window back and capturing the desktop. Prints figures
# (median and 99th percentile); it is not a test.
#   scripts/bench-gdi.sh [iterations]        native, then under Wine
# Builds into build/bench-gdi-native (optimised, no sanitizers) and
# build/bench-gdi-windows. The Wine run gets a virtual display of its own at
# 1920x1080 and a prefix under build/bench-gdi-windows/prefix; both end with
# the script.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
. "$TAVRIN_ROOT/tests/wine/prefix.sh"

iterations="${1:-50}"
native="${TAVRIN_BENCH_NATIVE_BUILD:-$TAVRIN_ROOT/build/bench-gdi-native}"
windows="${TAVRIN_BENCH_WINDOWS_BUILD:-$TAVRIN_ROOT/build/bench-gdi-windows}"
cd "$TAVRIN_ROOT"
native="$(realpath -m "$native")"
windows="$(realpath -m "$windows")"

if [ -z "${TAVRIN_BENCH_NO_BUILD:-}" ]; then
  tavrin_say "building the benchmark"
  cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$native" -j 2 --target tavrin_gdibench
  cmake -S . -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TAVRIN_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release "-DTAVRIN_LIBJPEG_ROOT=$(tavrin_libjpeg_root x86_64)" >/dev/null
  cmake --build "$windows" -j 2 --target tavrin_gdibench
fi

tavrin_say "native (the simulated system: the drawing code alone)"
"$native/tools/gdibench/tavrin_gdibench" 1920 1080 "$iterations"

tavrin_say "under Wine, 1920x1080 virtual display"
xvfb=
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then "$WINESERVER" -k >/dev/null 2>&1 || true; fi
  if [ -n "$xvfb" ] && [ -d "/proc/$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -f "$windows/bench-display"
}
trap cleanup EXIT
# -displayfd: the server picks a free display itself and names it once it
# accepts connections.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -noreset -nolisten tcp \
  3>"$windows/bench-display" </dev/null >"$windows/bench-xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 200); do grep -q '[0-9]' "$windows/bench-display" 2>/dev/null && break; sleep 0.1; done
export DISPLAY=":$(tr -dc 0-9 <"$windows/bench-display")"
export WINEPREFIX="$windows/prefix"
tavrin_prefix_prepare "$windows/bench-prefix.log" "" "" || {
  echo "bench-gdi: preparing the prefix failed; see $windows/bench-prefix.log" >&2
  exit 1
}
timeout 300 "$WINE" "$windows/tools/gdibench/tavrin_gdibench.exe" "$iterations" </dev/null
