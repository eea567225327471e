#!/usr/bin/env bash
# Undo, redo and clear on the overlay from the keyboard: Pen and Mark opened
# by the receiver's key over a known screen, drawn on with its clicks, then
# Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z and Delete typed on the X keyboard. Another
# program's window is in front when the device's key comes, and nothing
# sets the focus for the keys: the overlay the key showed is the window in
# front (Wine lets a program's window take the front whenever it shows it).
# Each key's screen is held pixel for pixel to the screen it must give back.
# e2e-limit: 200
# e2e-needs: receiver
# e2e-needs: renderref
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib_tools.sh"
tv_hold_session
tt_paint_screen
tt_start

# Types a chord on the X keyboard, as the presenter does, and lets the
# program handle it.
keys() {  # xdotool key name
  timeout 10 xdotool key "$1" >/dev/null 2>&1 || fail "xdotool could not type $1"
  sleep 0.4
}
# The screen now is the one called name.
same() {  # description, shot name
  local now="$TV_WORK/now.png" n
  tt_shot now
  n="$(compare -metric AE "$now" "$TV_WORK/$2.png" null: 2>&1 | awk 'NR == 1 {print int($1)}')"
  check "$1 (${n:-?} pixels differ from $2)" test "${n:-1}" -eq 0
}
# The step between two shots changed the screen.
drew() {  # description, shot before, shot after
  local n
  n="$(compare -metric AE "$TV_WORK/$2.png" "$TV_WORK/$3.png" null: 2>&1 | awk 'NR == 1 {print int($1)}')"
  check "$1 is on the screen (${n:-?} pixels)" test "${n:-0}" -gt 50
}
# The overlay is the window in front, and has the keyboard.
holds_keys() {  # description
  local o f
  o="$(field "$(probe find-window TForm_Draw)" hwnd)"
  f="$(field "$(probe foreground)" hwnd)"
  check_eq "$1: the overlay is the window in front" "$o" "$f"
}

# Another program's window in front, with the keyboard, as the presenter's
# slides are when the device's key comes.
tv_target "Slides" 620 60 300 200
probe activate "$TARGET_HWND" >/dev/null || fail "the slides window could not come to the front"
check_eq "the slides window is in front" "$TARGET_HWND" "$(field "$(probe foreground)" hwnd)"

# --- Pen (key F): two strokes, one over the other --------------------------
tt_place 300 300
tt_open F "Pen"
holds_keys "Pen"
tt_shot pen-0
tt_send "press left; pause 150; move 120 0; pause 150; move 0 80; pause 150; release left"
tt_shot pen-1
drew "Pen: the first stroke" pen-0 pen-1
tt_send "move -60 -100; pause 150; press left; pause 150; move 0 120; pause 150; move 90 0; pause 150; release left"
tt_shot pen-2
drew "Pen: the second stroke" pen-1 pen-2
keys ctrl+z
same "Pen: Ctrl+Z takes the second stroke back" pen-1
keys ctrl+z
same "Pen: Ctrl+Z again, the first" pen-0
keys ctrl+y
same "Pen: Ctrl+Y brings the first back" pen-1
keys ctrl+shift+z
same "Pen: Ctrl+Shift+Z the second" pen-2
keys Delete
same "Pen: Delete clears to the frozen screen" pen-0
keys ctrl+z
same "Pen: Ctrl+Z brings back what Delete cleared" pen-2
# None of these keys let the show go: the same device key closes it.
tt_close_by_key F "Pen after the keys"

# --- Mark (key B): two stamps, the second over the first -------------------
tt_place 500 400
tt_open B "Mark"
holds_keys "Mark"
tt_shot mark-0
tt_send "click"
tt_shot mark-1
drew "Mark: the first stamp" mark-0 mark-1
tt_send "move 12 10; pause 150; click"
tt_shot mark-2
drew "Mark: the second stamp" mark-1 mark-2
keys ctrl+z
same "Mark: Ctrl+Z takes the second stamp back" mark-1
keys ctrl+y
same "Mark: Ctrl+Y brings it back" mark-2
keys Delete
same "Mark: Delete clears both" mark-0
keys Escape
if probe wait-hidden TForm_Draw 8000 >/dev/null; then pass "Mark: Escape from the keyboard closes it"; else
  fail "Mark: Escape from the keyboard did not close it"
fi
tt_wait_palette_back

check "the program still runs" tv_running "$TV_PID"
log "the test took $SECONDS s"
tv_finish
