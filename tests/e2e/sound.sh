#!/usr/bin/env bash
# The function key bound to "Play Sound" ('H' by default): a sound file that
# does not exist shows "Error 275: " and the system's text for it, over an
# overlay too, where the device's pointer and click answer it; a real
# MIDI file plays with no box, and the key pressed again stops it. (With no
# sound card nothing is heard; the prefix has no audio driver.)
# e2e-limit: 120
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

no_box() {  # description
  if probe wait-visible '#32770' 2000 >/dev/null 2>&1; then
    fail "$1: a box opened: $(probe messagebox '*' 1000 | paste -sd' ')"
    probe messagebox '*' 2000 --dismiss >/dev/null
  else
    pass "$1: no box"
  fi
}

# --- a missing file --------------------------------------------------------------
tv_reg_defaults_with SoundName "$(tv_winpath "$TV_WORK/missing.mid")" | tv_reg_write ||
  die "could not write the settings key"
tv_start
tv_wait_main 30 >/dev/null || die "no main window within 30 s"
tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"
tv_send "key H"
box="$(probe messagebox '*' 10000)" || die "no box for a missing sound file"
printf '%s\n' "$box" >"$TV_WORK/box.txt"
echo "missing sound: $(tv_screenshot sound-missing)"
check_eq "the box says the error and the system's text" "Error 275: $(probe mci-error 275)" \
  "$(sed -n 's/^text=//p' <<<"$box")"
check_eq "the box belongs to the program" "$(field "$(probe find-window TForm_Main Tavrin)" pid)" \
  "$(sed -n 's/^pid=//p' <<<"$box")"
probe messagebox '*' 5000 --dismiss >/dev/null || fail "could not press OK on the box"
check "the program runs on after the box" tv_running "$TV_PID"

# Over an overlay (Zoom, key K) the box comes above it, and the device's
# pointer and click close it there; the overlay stays.
tv_send "key K"
o="$(probe wait-visible TForm_Draw 5000)" || die "no overlay shows for key K"
tv_send "key H"
box="$(probe messagebox '*' 10000)" || die "no box over the overlay"
b="$(sed -n 's/^hwnd=//p' <<<"$box")"
echo "box over the overlay: $(tv_screenshot sound-over-overlay)"
check_eq "the overlay owns the box" "$(field "$o" hwnd)" "$(field "$(probe window-ties "$b")" owner)"
check_eq "the box is above the overlay" 1 "$(probe above "$b" "$(field "$o" hwnd)")"
ok="$(grep -m 1 ' id=1 .* class=Button ' <<<"$(probe children "$b")")" || die "the box has no OK button"
ox=$(($(field "$ok" x) + $(field "$ok" w) / 2)) oy=$(($(field "$ok" y) + $(field "$ok" h) / 2))
tv_point_to "$ox" "$oy" || fail "the pointer did not reach OK at $ox,$oy: $(tv_cursor)"
tv_send "click"
if probe wait-gone '#32770' 5000 >/dev/null; then
  pass "a click packet on OK closes the box over the overlay"
else
  fail "the box over the overlay is still up after a click packet on its OK button"
  probe messagebox '*' 2000 --dismiss >/dev/null
fi
check "the overlay still shows" probe wait-visible TForm_Draw 500
tv_stop "$TV_PID"

# --- a real MIDI file ----------------------------------------------------------
tv_write_tune "$TV_WORK/tune.mid"
tv_reg_defaults_with SoundName "$(tv_winpath "$TV_WORK/tune.mid")" | tv_reg_write ||
  die "could not write the settings key"
# Nothing can be heard here, so the program's media commands are read from
# Wine's trace of them: the command each press sends, in order.
WINEDEBUG=-all,trace+mci
tv_start
WINEDEBUG=-all
trace="$TV_WORK/tavrin-$((${#TV_PIDS[@]} - 1)).log"
tv_wait_main 30 >/dev/null || die "no main window within 30 s"
tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"
commands() {
  sed -n 's/.*trace:mci:mciSendCommandA ([0-9a-fA-F]*, MCI_\([A-Z_]*\),.*/\1/p' "$trace" |
    grep -E '^(OPEN|PLAY|STOP|CLOSE)$' | paste -sd' '
}
tv_send "key H"
no_box "a MIDI file plays"
check_eq "the first press opens and plays the file" "OPEN PLAY" "$(commands)"
tv_send "key H"
no_box "the key again stops it"
check_eq "the second press stops and closes it" "OPEN PLAY STOP CLOSE" "$(commands)"
tv_send "key H"
no_box "and a third press plays it once more"
check_eq "the third press plays it again" "OPEN PLAY STOP CLOSE OPEN PLAY" "$(commands)"
check "the program still runs" tv_running "$TV_PID"
tv_finish
