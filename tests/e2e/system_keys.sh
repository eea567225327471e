#!/usr/bin/env bash
# Alt+F4 as on any window of the system: on the overlay it closes the
# overlay as Escape does (the palette comes back, the program goes on); on
# the palette it ends the program as its close box does.
# e2e-limit: 120
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session
# shellcheck disable=SC2317  # called through check
quiet() { "$@" >/dev/null; }

tv_start_with_port ""
main="$(tv_expand_palette)" || die "the palette did not expand"
pw="$(field "$main" w)" ph="$(field "$main" h)"

# 'B' is bound to the first overlay effect (Mark) by default.
tv_send "key B"
o="$(probe wait-visible TForm_Draw 5000)" || die "no overlay shows"
sleep 0.3
probe activate "$(field "$o" hwnd)" >/dev/null || fail "could not bring the overlay to the front"
probe chord 0x12 0x73  # Alt+F4
if probe wait-hidden TForm_Draw 5000 >/dev/null; then
  pass "Alt+F4 closes the overlay"
else
  fail "Alt+F4 did not close the overlay"
fi
end=$((SECONDS + 5))
m="$(probe find-window TForm_Main Tavrin)"
while [ "$(field "$m" visible)$(field "$m" w)" != "1$pw" ] && [ "$SECONDS" -lt "$end" ]; do
  sleep 0.1
  m="$(probe find-window TForm_Main Tavrin)"
done
check_eq "the palette is back after Alt+F4 on the overlay" "1 $pw $ph" \
  "$(field "$m" visible) $(field "$m" w) $(field "$m" h)"
check "the program still runs after Alt+F4 on the overlay" tv_running "$TV_PID"

# The same key opens it again, and Escape still closes it.
tv_send "key B"
o="$(probe wait-visible TForm_Draw 5000)" || fail "the key did not open the overlay again"
probe activate "$(field "$o" hwnd)" >/dev/null || true
probe key 27
check "Escape still closes the overlay" quiet probe wait-hidden TForm_Draw 5000

m="$(tv_wait_shown TForm_Main "$pw" "$ph" 10 Tavrin)" || fail "the palette did not come back"
probe activate "$(field "$m" hwnd)" >/dev/null || fail "could not bring the palette to the front"
probe chord 0x12 0x73  # Alt+F4
if tv_wait_exit "$TV_PID" 15; then
  pass "Alt+F4 on the palette ends the program"
else
  fail "the program still runs after Alt+F4 on the palette"
fi
tv_finish
