#!/usr/bin/env bash
# What one pointer event costs each overlay tool, natively (the real
# overlay on the simulated system, 1920x1080 and 3840x2160), as a multiple
# of one whole-frame copy timed in the same run; marks a tool above three
# copies with '!' and exits non-zero then. Prints figures; it is not a test.
#   scripts/bench-tools.sh [events]
# Builds into build/bench-tools-native (optimised, no sanitizers).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

events="${1:-40}"
build="${TAVRIN_BENCH_TOOLS_BUILD:-$TAVRIN_ROOT/build/bench-tools-native}"
cd "$TAVRIN_ROOT"
if [ -z "${TAVRIN_BENCH_NO_BUILD:-}" ]; then
  tavrin_say "building the tool benchmark"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIN_SANITIZE=OFF >/dev/null
  cmake --build "$build" -j 2 --target tavrin_toolbench
fi
"$build/tools/toolbench/tavrin_toolbench" "$events"
