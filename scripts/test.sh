#!/usr/bin/env bash
# Runs every test: the native build's unit tests, a short run of the packet
# decoder's fuzz target (built with clang), the Windows build's tests under
# Wine (contract suite and end-to-end tests, on a virtual display of their
# own), the README's run command (tests/run-command.sh), a compile of the
# 32-bit Windows build, and the formatting check.
# Ends with the line "N passed, M failed" and a non-zero exit if any failed.
set -uo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$TAVRIN_ROOT"

passed=0
failed=0
summary=()
logs="$TAVRIN_ROOT/build/test-logs"
start=$SECONDS

step() {  # description, command... : runs it, its output to the terminal and a log
  local what="$1" t0=$SECONDS rc
  shift
  tavrin_say "$what"
  "$@" 2>&1 | tee -a "$logs/$(tr ' /' '__' <<<"$what").log"
  rc=${PIPESTATUS[0]}
  echo ">> $what: $([ "$rc" -eq 0 ] && echo done || echo "FAILED (exit $rc)") in $((SECONDS - t0)) s"
  [ "$rc" -eq 0 ] || summary+=("$what: FAILED")
  return "$rc"
}

# Adds a ctest run's own summary line to the totals; a run that printed none
# (it crashed, or never started) counts as one failure.
count_ctest() {  # log file
  local line total bad
  line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)"
  if [ -n "$line" ]; then
    bad="$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")"
    total="$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")"
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  elif grep -q 'No tests were found' "$1"; then
    echo "(no tests in this build)"
  else
    failed=$((failed + 1))
  fi
}

run_ctest() {  # preset
  local log="$logs/ctest-$1.log"
  : >"$log"
  tavrin_say "ctest --preset $1"
  local t0=$SECONDS
  ctest --preset "$1" -j 2 --timeout 900 2>&1 | tee "$log"
  echo ">> ctest $1 in $((SECONDS - t0)) s"
  local p0=$passed f0=$failed
  count_ctest "$log"
  summary+=("ctest $1: $((passed - p0)) passed, $((failed - f0)) failed")
}

rm -rf "$logs"
mkdir -p "$logs"

if ! step "setup" bash scripts/setup.sh; then
  echo "setup failed: nothing can be built"
  echo "0 passed, 1 failed"
  exit 1
fi

jpeg64="-DTAVRIN_LIBJPEG_ROOT=$(tavrin_libjpeg_root x86_64)"
jpeg32="-DTAVRIN_LIBJPEG_ROOT=$(tavrin_libjpeg_root i686)"

# Native: logic and headless GUI with sanitizers.
if step "native configure" cmake --preset native && step "native build" cmake --build --preset native -j 2; then
  run_ctest native
else
  failed=$((failed + 1))
fi

# The decoder's fuzz target: clang sees what gcc lets pass, so it is built
# here, and run for a few seconds.
if step "fuzz build and short run" bash scripts/fuzz.sh --seconds 5; then
  passed=$((passed + 1))
  summary+=("fuzz: passed")
else
  failed=$((failed + 1))
fi

# Windows x64: the program itself, run under Wine.
if step "windows configure" cmake --preset windows "$jpeg64" && step "windows build" cmake --build --preset windows -j 2; then
  run_ctest windows
else
  failed=$((failed + 1))
fi

# The README's run command as a newcomer runs it: a Wine prefix of its own
# that does not exist yet, and no display.
if step "the run command" bash tests/run-command.sh; then
  passed=$((passed + 1))
  summary+=("run command: passed")
else
  failed=$((failed + 1))
fi

# Windows x86: must keep compiling; it cannot run on these machines.
if step "windows-x86 configure" cmake --preset windows-x86 "$jpeg32" && step "windows-x86 build" cmake --build --preset windows-x86 -j 2; then
  passed=$((passed + 1))
  summary+=("windows-x86 build: passed")
else
  failed=$((failed + 1))
fi

# Formatting, one test for the whole tree.
tavrin_say "formatting"
if [ ! -f .clang-format ]; then
  echo "no .clang-format: formatting not checked"
  summary+=("formatting: not checked (no .clang-format)")
else
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' '*.hpp' '*.cc' | grep -v '^build/')
  else
    mapfile -t sources < <(find . -path ./build -prune -o -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) -print | sed 's|^\./||')
  fi
  bad=()
  for f in "${sources[@]}"; do
    [ -f "$f" ] || continue
    clang-format --dry-run --Werror --style=file "$f" >/dev/null 2>&1 || bad+=("$f")
  done
  if [ ${#bad[@]} -eq 0 ]; then
    echo "${#sources[@]} files formatted as .clang-format says"
    passed=$((passed + 1))
    summary+=("formatting: passed")
  else
    summary+=("formatting: FAILED")
    echo "not formatted as .clang-format says (clang-format -i fixes them):"
    printf '  %s\n' "${bad[@]}"
    failed=$((failed + 1))
  fi
fi

echo
tavrin_say "summary"
printf '  %s\n' "${summary[@]}"
echo "logs in $logs; whole run $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
