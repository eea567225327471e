#!/usr/bin/env bash
# What one pointer event costs each overlay tool, natively (the real
# overlay on the simulated system, 1920x1080 and 3840x2160), from the input
# to the frame on the screen, as a multiple of one whole-frame copy timed
# right after each event; marks a tool above three copies with '!' and
# exits non-zero then. Then the undo figures: after 200 steps of Mark, Pen,
# Rectangle and Magnifier at 1920x1080 and 3840x2160, the undo state's size
# and one undo's time beside a whole-frame copy. Prints figures; it is not
# a test.
#   scripts/bench-tools.sh [events] [tool | undo]
# Builds into build/bench-tools-native: optimised as the Windows program is
# (-O2), without sanitizers, through ccache when it is installed.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

events="${1:-40}"
build="${TAVRIN_BENCH_TOOLS_BUILD:-$TAVRIN_ROOT/build/bench-tools-native}"
cd "$TAVRIN_ROOT"
if [ -z "${TAVRIN_BENCH_NO_BUILD:-}" ]; then
  tavrin_say "building the tool benchmark"
  launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRIN_SANITIZE=OFF \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
    "${launcher[@]}" >/dev/null
  cmake --build "$build" -j 2 --target tavrin_toolbench
fi
"$build/tools/toolbench/tavrin_toolbench" "$events" "${2:-}"
