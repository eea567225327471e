#!/usr/bin/env bash
# The README's run command as a newcomer meets it: no display and a Wine
# prefix that does not exist yet.
#   scripts/run.sh --screenshot-only  creates the prefix, starts the program
#     on a virtual display, saves build/screenshot.png (its tray icon on it)
#     and ends with status 0;
#   scripts/run.sh --receiver         on a terminal of its own (script(1)):
#     the virtual receiver's arrow key moves the pointer, q ends both.
# scripts/test.sh runs it after the Windows build. Prints ok/FAIL lines; the
# exit status is the number of failures.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$root/build/run-command"
rm -rf "$work"
mkdir -p "$work"
export TAVRIN_WINEPREFIX="$work/prefix"
unset DISPLAY
failures=0
pass() { echo "ok: $*"; }
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check_eq() { if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected '$2', got '$3'"; fi; }
gone() { [ ! -d "/proc/$1" ] || [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ]; }

# --- scripts/run.sh --screenshot-only ------------------------------------------
shot="$root/build/screenshot.png"
rm -f "$shot"
t0=$SECONDS
timeout 900 bash "$root/scripts/run.sh" --screenshot-only >"$work/screenshot-only.log" 2>&1
rc=$?
echo "run.sh --screenshot-only: status $rc in $((SECONDS - t0)) s (log: $work/screenshot-only.log)"
check_eq "run.sh --screenshot-only: status" 0 "$rc"
[ "$rc" -eq 0 ] || tail -n 5 "$work/screenshot-only.log" >&2
grep -q 'creating the Wine prefix' "$work/screenshot-only.log" && [ -f "$TAVRIN_WINEPREFIX/system.reg" ] &&
  pass "the prefix was created" || fail "the prefix was not created"
# The virtual display is the root colour but for Wine's tray window at the
# top left, and the tray window holds the program's icon: pixels other than
# its background, its most common colour.
if [ -f "$shot" ]; then
  pass "the screenshot was written"
  read -r n x0 y0 x1 y1 <<<"$(convert "$shot" -depth 8 txt:- 2>/dev/null |
    awk -F'[ ,:()#]+' 'NR > 1 && substr($0, index($0, "#") + 1, 6) != "3A6EA5" {
        if (!n++) { l = r = $1; t = b = $2 }
        if ($1 < l) l = $1; if ($1 > r) r = $1; if ($2 < t) t = $2; if ($2 > b) b = $2 }
      END { print n + 0, l + 0, t + 0, r + 0, b + 0 }')"
  if [ "$n" -gt 0 ] && [ "$x1" -lt 200 ] && [ "$y1" -lt 100 ]; then
    pass "only the tray window stands on the virtual display (${x0},${y0} to ${x1},${y1})"
  else
    fail "the screenshot shows more than the tray window ($n pixels from ${x0:-},${y0:-} to ${x1:-},${y1:-})"
  fi
  icon="$(convert "$shot" -crop "$((x1 - x0 + 1))x$((y1 - y0 + 1))+$x0+$y0" +repage -depth 8 txt:- 2>/dev/null |
    awk 'NR > 1 { c[substr($0, index($0, "#"), 7)]++; all++ }
      END { for (k in c) if (c[k] > most) most = c[k]; print all - most }')"
  [ "$icon" -ge 50 ] && pass "the tray window shows an icon ($icon pixels)" ||
    fail "the tray window shows no icon ($icon pixels off its background)"
else
  fail "no screenshot at $shot"
fi

# --- scripts/run.sh --receiver on a terminal -------------------------------------
keys="$work/keys"
mkfifo "$keys"
typescript="$work/receiver.typescript"
t0=$SECONDS
script -q -f -e -c "bash '$root/scripts/run.sh' --receiver" "$typescript" <"$keys" >/dev/null 2>&1 &
term=$!
exec 3>"$keys"
wait_for() {  # pattern, seconds
  local end=$((SECONDS + $2))
  until grep -qE -- "$1" "$typescript" 2>/dev/null; do
    if [ "$SECONDS" -ge "$end" ] || gone "$term"; then return 1; fi
    sleep 0.2
  done
}
if wait_for 'keys drive the pointer' 300; then
  pass "run.sh --receiver: the receiver is up ($((SECONDS - t0)) s)"
  prog="$(sed -n 's/.*(program PID \([0-9]*\),.*/\1/p' "$typescript" | head -n 1)"
  DISPLAY=":$(tr -dc 0-9 <"$root/build/run/display")"
  export DISPLAY
  pointer() { xdotool getmouselocation 2>/dev/null | sed -n 's/^x:\([0-9]*\) y:\([0-9]*\).*/\1 \2/p'; }
  # The right arrow moves the pointer by the step, 8 pixels. Wine moves it
  # from where Wine last had it, which the X pointer need not show before:
  # the second move is measured from the first.
  right() {
    local before
    before="$(pointer)"
    printf '\033[C' >&3
    local end=$((SECONDS + 10))
    while [ "$(pointer)" = "$before" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.1; done
  }
  right
  read -r px py <<<"$(pointer)"
  right
  check_eq "the right arrow moves the pointer by the step" "$((px + 8)) $py" "$(pointer)"
  printf q >&3
  end=$((SECONDS + 60))
  while ! gone "$term" && [ "$SECONDS" -lt "$end" ]; do sleep 0.2; done
  if gone "$term"; then
    wait "$term"
    check_eq "q ends run.sh --receiver: status" 0 "$?"
  else
    fail "run.sh --receiver still runs 60 s after q"
  fi
  if [ -n "$prog" ] && gone "$prog"; then pass "q ended the program"; else fail "the program (PID ${prog:-?}) still runs after q"; fi
else
  fail "run.sh --receiver did not start the receiver; its terminal:"
  tail -n 5 "$typescript" >&2
fi
exec 3>&-
if ! gone "$term"; then kill "$term" 2>/dev/null; wait "$term" 2>/dev/null; fi

[ "$failures" -eq 0 ] && rm -rf "$TAVRIN_WINEPREFIX"
echo "run command: $failures failed"
exit "$failures"
