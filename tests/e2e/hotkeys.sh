#!/usr/bin/env bash
# The keyboard's shortcuts for the device's keys: at start the program holds
# Ctrl+Alt+Shift+F1 .. F11 for the keys B .. L, but for one another program
# holds already, which the tray's tip names; the shortcut of G (Spot Light)
# opens its overlay and closes it again, as G's packet does; the Keys page
# of the settings shows the taken one and takes a new shortcut for G typed
# into its control, which OK stores and puts to work at once.
#
# Wine takes keys from X only into its window that has X's focus: the
# shortcuts come from keys pressed while a Wine window has it (xdotool), or
# injected by a Wine program (SendInput), not from keys X gives to a window
# of another X client or to the bare root.
# e2e-limit: 180
. "$(dirname "$0")/lib.sh"
tv_hold_session
: "${CONTRACT_EXE:?CONTRACT_EXE must name the contract suite, whose child holds a shortcut}"

# Another program holds Ctrl+Alt+Shift+F2 (MOD_ALT | MOD_CONTROL | MOD_SHIFT
# = 7, VK_F2 = 0x71) until its input closes.
mkfifo "$TV_WORK/holder.in"
"$WINE" "$CONTRACT_EXE" --contract-process <"$TV_WORK/holder.in" >"$TV_WORK/holder.out" 2>&1 &
TV_PIDS+=("$!")
exec 7>"$TV_WORK/holder.in"
echo "hotkey 1 7 113" >&7
tv_wait_line "$TV_WORK/holder.out" '^0 1' 20 >/dev/null || die "the other program could not take Ctrl+Alt+Shift+F2"

tv_start_with_port ""
tip="$(tv_tray_tip)" || fail "no tray tip showed"
# (After "Tavrin - ", or "; " when the port is not open yet.)
case "$tip" in
  "Tavrin - Ctrl+Alt+Shift+F2 taken by another program" | *"; Ctrl+Alt+Shift+F2 taken by another program")
    pass "the tip names the shortcut another program holds: $tip" ;;
  *) fail "the tip does not name the shortcut another program holds: $tip" ;;
esac

overlay_opens() {  # how
  if probe wait-visible TForm_Draw 5000 >/dev/null; then pass "$1 opens the Spot Light"; else fail "$1 opened no overlay"; fi
}
overlay_closes() {  # how
  if probe wait-hidden TForm_Draw 5000 >/dev/null; then pass "$1 closes it"; else fail "$1 left the overlay shown"; fi
}
# Whether an overlay shows within a second and a half (a key that should
# not open one is given that long).
overlay_within() { probe wait-visible TForm_Draw 1500 >/dev/null; }

# Injected by another program (SendInput): Ctrl, Alt, Shift and F6.
probe chord 0x11 0x12 0x10 0x75
overlay_opens "Ctrl+Alt+Shift+F6 injected"
sleep 0.5
probe chord 0x11 0x12 0x10 0x75
overlay_closes "the same shortcut again"

# From the X keyboard (xdotool): first with X's focus on the bare root, then
# on a window of Wine's (any program's: the shortcut is system-wide).
xdotool mousemove 1000 740
xdotool key --clearmodifiers ctrl+alt+shift+F6
if overlay_within; then
  log "measured: X keys given to the root reach Wine's shortcuts"
  probe chord 0x11 0x12 0x10 0x75
  probe wait-hidden TForm_Draw 5000 >/dev/null
else
  log "measured: X keys given to the root reach no shortcut of Wine's (no overlay)"
fi
tv_target "Probe Target" 600 400 300 200
xw="$(xdotool search --name '^Probe Target$' | head -n 1)"
[ -n "$xw" ] || die "the target window has no X window"
xdotool windowfocus --sync "$xw"
xdotool key ctrl+alt+shift+F6
overlay_opens "Ctrl+Alt+Shift+F6 typed on X's keyboard into a Wine window"
sleep 0.5
# The overlay, in front now, has X's focus: the same keys close it.
o="$(probe find-window TForm_Draw)"
xdotool windowfocus --sync "$(xdotool search --name "$(field "$o" caption)" | head -n 1)" 2>/dev/null ||
  xdotool windowfocus --sync "$xw"
xdotool key ctrl+alt+shift+F6
overlay_closes "the same keys on X's keyboard"

# The Keys page: the settings from the tray menu, then the tabs to the last.
tv_tray_command 3
dialog="$(tv_wait_shown TForm_Seeting 359 267 10)" || die "the tray menu showed no settings dialog"
dx="$(field "$dialog" x)" dy="$(field "$dialog" y)" dh="$(field "$dialog" hwnd)"
tv_settings_tabs "$dh" || die "the settings dialog has no page control"
for ((i = 0; i < 11; i++)); do tv_goto_next_tab || die "could not reach the Keys page by its tabs"; done
check_eq "the Keys page is the twelfth" 11 "$(tv_current_tab)"
xdotool mousemove 1000 740
tv_crop_window "$(tv_settled_screenshot "$TV_TEST-keys" "$dx" "$dy" 359 267)" "$dialog" \
  "$TV_ARTIFACTS/$TV_TEST-keys.png"

# G's control (the third of the second row) takes Ctrl+Shift+F9, typed as
# the user types it; OK stores it and the program holds it from then on.
xdotool mousemove $((dx + 12 + 226 + 53)) $((dy + 66 + 41 + 15 + 10)) click 1
sleep 0.3
probe chord 0x11 0x10 0x78
sleep 0.3
xdotool mousemove $((dx + 196)) $((dy + 244)) click 1  # OK
probe wait-hidden TForm_Seeting 5000 >/dev/null || fail "OK did not close the settings dialog"
check_eq "OK stored G's new shortcut (Ctrl+Shift+F9)" 0x378 "$(tv_reg_get "Hotkey G")"
check_eq "and C's, taken, as it was" 0x771 "$(tv_reg_get "Hotkey C")"
probe chord 0x11 0x12 0x10 0x75
if overlay_within; then fail "G's old shortcut still opened the overlay"; else pass "G's old shortcut is given back"; fi
probe chord 0x11 0x10 0x78
overlay_opens "the new Ctrl+Shift+F9"
sleep 0.5
probe chord 0x11 0x10 0x78
overlay_closes "Ctrl+Shift+F9 again"

exec 7>&-
check "the program still runs" tv_running "$TV_PID"
tv_finish
