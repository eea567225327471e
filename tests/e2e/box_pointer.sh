#!/usr/bin/env bash
# The pointer works while an effect's box is up: Play Sound of a missing file
# shows "Error 275: ..."; six motion packets move the pointer by exactly their
# sum while the box stays; a click packet on the box's OK button closes it;
# and nothing moves once it is gone (no packet was held back for later).
# e2e-limit: 90
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

tv_reg_defaults_with SoundName "$(tv_winpath "$TV_WORK/missing.mid")" | tv_reg_write ||
  die "could not write the settings key"
tv_start
tv_wait_main 30 >/dev/null || die "no main window within 30 s"
tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"

box_up() { probe wait-visible '#32770' 500 >/dev/null 2>&1; }

tv_send "key H"
box="$(probe messagebox '*' 10000)" || die "no box for a missing sound file"
check_eq "the box is Play Sound's error" "Error 275: $(probe mci-error 275)" \
  "$(sed -n 's/^text=//p' <<<"$box")"
kids="$(probe children "$(sed -n 's/^hwnd=//p' <<<"$box")")"
ok="$(grep -m 1 ' id=1 .* class=Button ' <<<"$kids")" || die "the box has no OK button: $kids"

# Six packets in one write, each a different power of two on both axes, so
# any packet lost or decoded twice shows in the sum.
probe setcursor 300 300 || fail "SetCursorPos 300,300 failed"
tv_send "move 1 -1; move 2 -2; move 4 -4; move 8 -8; move 16 -16; move 32 -32"
got="$(probe wait-cursor 363 237 3000)" || true
check_eq "six packets move the pointer while the box is up" "363 237" "$got"
check "the box is still up" box_up

# The pointer onto the OK button, then a click from the device.
ox=$(($(field "$ok" x) + $(field "$ok" w) / 2)) oy=$(($(field "$ok" y) + $(field "$ok" h) / 2))
probe setcursor "$ox" "$oy" || fail "SetCursorPos $ox,$oy failed"
tv_send "click"
if probe wait-gone '#32770' 5000 >/dev/null; then
  pass "a click packet on OK closes the box"
else
  fail "the box is still up after a click packet on its OK button"
  probe messagebox '*' 2000 --dismiss >/dev/null
fi
sleep 0.5  # ten polls: anything held back would have been let go by now
check_eq "nothing moves after the box is gone" "$ox $oy" "$(tv_cursor)"
check_eq "no button is held" "left=0 right=0" "$(probe buttons)"
check "the program still runs" tv_running "$TV_PID"
tv_finish
