#!/usr/bin/env bash
# The keyboard's shortcuts for the device's keys: at start the program holds
# Ctrl+Alt+Shift+F1 .. F11 for the keys B .. L, but for one another program
# holds already, which the tray's tip names; the shortcut of G (Spot Light)
# opens its overlay and closes it again, as G's packet does; the Keys page
# of the settings shows the taken one and takes a new shortcut for G typed
# into its control, which OK stores and puts to work at once, injected or
# typed on X's keyboard.
#
# Under Wine the shortcuts come from keys injected by a Wine program
# (SendInput) and from keys typed on X's keyboard (xdotool) with X's focus
# on a Wine window; with the focus put on the root window the test logs what
# it measured.
# e2e-limit: 240
. "$(dirname "$0")/lib.sh"
tv_hold_session
# Another program holds C's Ctrl+Alt+Shift+F2 for the whole run.
tv_other_program_holds_f2

tv_start_with_port ""
overlay_opens() {  # how
  if probe wait-visible TForm_Draw 10000 >/dev/null; then pass "$1 opens the overlay"; else fail "$1 opened no overlay"; fi
}
# Without a window manager Wine waits about 2 s in the hide of a full-screen
# window: the program takes its next key after that.
overlay_closes() {  # how
  if probe wait-hidden TForm_Draw 5000 >/dev/null; then pass "$1 closes it"; else fail "$1 left the overlay shown"; fi
  sleep 3
}
# Whether an overlay shows within a second and a half (a key that should
# not open one is given that long).
overlay_within() { probe wait-visible TForm_Draw 1500 >/dev/null; }

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
xdotool mousemove $((dx + 12 + 224 + 55)) $((dy + 66 + 41 + 15 + 10)) click 1
sleep 0.3
probe chord 0x11 0x10 0x78
sleep 0.3
xdotool mousemove $((dx + 196)) $((dy + 244)) click 1  # OK
probe wait-hidden TForm_Seeting 5000 >/dev/null || fail "OK did not close the settings dialog"
check_eq "OK stored G's new shortcut (Ctrl+Shift+F9)" 0x378 "$(tv_reg_get "Hotkey G")"
check_eq "and C's, taken, as it was" 0x771 "$(tv_reg_get "Hotkey C")"
tip="$(tv_tray_tip)" || fail "no tray tip showed"
# (After "Tavrin - ", or "; " when the port is not open yet.)
case "$tip" in
  "Tavrin - Ctrl+Alt+Shift+F2 taken by another program" | *"; Ctrl+Alt+Shift+F2 taken by another program")
    pass "the tip names the shortcut another program holds: $tip" ;;
  *) fail "the tip does not name the shortcut another program holds: $tip" ;;
esac

# Injected by another program (SendInput): Ctrl, Alt, Shift and F5, a
# default (F: the Pen).
probe chord 0x11 0x12 0x10 0x74
overlay_opens "Ctrl+Alt+Shift+F5 injected"
sleep 0.5
probe chord 0x11 0x12 0x10 0x74
overlay_closes "the same shortcut again"

# G's old shortcut is free again: the other program can take it (and give
# it back).
echo "hotkey 2 7 117" >&7
check "G's old shortcut is given back" tv_wait_line "$TV_WORK/holder.out" '^0 1' 10 2
echo "unhotkey 2" >&7
probe chord 0x11 0x10 0x78
overlay_opens "the new Ctrl+Shift+F9"
sleep 0.5
probe chord 0x11 0x10 0x78
overlay_closes "Ctrl+Shift+F9 again"

# From the X keyboard (xdotool): first with X's focus put on the bare root
# window (measured, and logged), then on a window of Wine's (any program's:
# the shortcut is system-wide).
root="$(xwininfo -root | awk '/Window id:/ { print $4 }')"
xdotool windowfocus --sync "$root" 2>/dev/null || xdotool windowfocus "$root"
log "X's focus: $(xdotool getwindowfocus) (the root is $root)"
xdotool key --clearmodifiers ctrl+shift+F9
if overlay_within; then
  log "measured: X keys with the focus on the root reach Wine's shortcuts"
  probe chord 0x11 0x10 0x78
  probe wait-hidden TForm_Draw 5000 >/dev/null
  sleep 3
else
  log "measured: X keys with the focus on the root reach no shortcut of Wine's (no overlay)"
fi
tv_target "Probe Target" 600 400 300 200
xw="$(xdotool search --name '^Probe Target$' | head -n 1)"
[ -n "$xw" ] || die "the target window has no X window"
# Typed with X's focus on the target; a busy machine may take a while to
# give Wine the focus, so a press that opened nothing is tried once more.
typed_on_x() {  # what it should do: open | close
  local try
  for try in 1 2; do
    xdotool windowfocus --sync "$xw"
    sleep 0.5
    xdotool key ctrl+shift+F9
    if [ "$1" = open ]; then probe wait-visible TForm_Draw 5000 >/dev/null && return 0
    else probe wait-hidden TForm_Draw 5000 >/dev/null && return 0; fi
    log "typed on X's keyboard, try $try: nothing happened"
  done
  return 1
}
check "Ctrl+Shift+F9 typed on X's keyboard into a Wine window opens the overlay" typed_on_x open
sleep 0.5
check "the same keys typed again close it" typed_on_x close

exec 7>&-
check "the program still runs" tv_running "$TV_PID"
tv_finish
