#!/usr/bin/env bash
# Fuzzes the packet decoder: builds its libFuzzer target with clang, with
# AddressSanitizer and UndefinedBehaviorSanitizer, on the simulated machine,
# and runs it:
#   scripts/fuzz.sh [inputs]        (default 10000000, about half an hour)
#   scripts/fuzz.sh --seconds N     for N seconds (scripts/test.sh runs it
#                                   briefly, so the target keeps building)
# Any crash, sanitizer report or broken invariant stops the run with a
# non-zero exit and leaves the input that caused it in build/fuzz/; replay it
# with build/fuzz/tests/fuzz/tavrin_fuzz_decoder <file>. The corpus it grows
# stays in build/fuzz/corpus for the next run.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$TAVRIN_ROOT"

limit=(-runs="${1:-10000000}")
what="${1:-10000000} inputs"
if [ "${1:-}" = --seconds ]; then
  limit=(-max_total_time="${2:?--seconds needs a number}")
  what="${2} seconds"
fi
build="$TAVRIN_ROOT/build/fuzz"
corpus="$build/corpus"

for p in clang libclang-rt-dev cmake ninja-build libgtest-dev; do
  if [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" != installed ]; then
    echo "fuzz: '$p' is missing (run scripts/setup.sh)" >&2
    exit 1
  fi
done

tavrin_say "building the decoder's fuzz target in $build"
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$TAVRIN_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
  -DTAVRIN_SANITIZE=ON -DTAVRIN_FUZZ=ON -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$build" --target tavrin_fuzz_decoder -j "${TAVRIN_JOBS:-2}"

# A few seeds in the input's own format (a header byte with the length and
# the gap, then wire bytes): a click, a drag with a split packet, the keys.
mkdir -p "$corpus"
if [ -z "$(ls -A "$corpus")" ]; then
  printf '\x06\xec\x80\xbf\xc0\x81\x80' >"$corpus/click"
  printf '\x04\xec\x80\xbf\xe0\x62\x83\x81\x63\xdc\x80\xbf\x03\xc0\x80\x80' >"$corpus/drag-split"
  printf '\x0c\xc0\xc5\x80\xc0\xd9\xe6\xc0\xd5\xea\xc0\xcb\x80\xc3\xc0\xcb\x80' >"$corpus/keys"
fi

tavrin_say "running for $what"
cd "$build"
# Sanitizer reports end the run (the build has recovery off); a leak counts too.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
start=$SECONDS
set +e
./tests/fuzz/tavrin_fuzz_decoder "${limit[@]}" -max_len=256 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus" >"$build/last-run.log" 2>&1
rc=$?
set -e
# The figures: libFuzzer's last status line and its final statistics.
grep -E '^#[0-9]+ +(DONE|INITED)|^Done |stat::' "$build/last-run.log" || tail -n 30 "$build/last-run.log"
if [ "$rc" -eq 0 ]; then
  runs="$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$build/last-run.log" | tail -n 1)"
  echo ">> ${runs:-?} inputs in $((SECONDS - start)) s: no crash, no sanitizer report, the invariant held"
else
  tail -n 40 "$build/last-run.log"
  echo ">> FAILED (exit $rc) after $((SECONDS - start)) s; the log is $build/last-run.log"
fi
exit "$rc"
