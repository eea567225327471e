#!/usr/bin/env bash
# Alt+F4 on the about box closes it, as on any window of the system: it is
# hidden, the program goes on, and the menu shows the box again.
# e2e-limit: 90
. "$(dirname "$0")/lib.sh"
tv_hold_session
# shellcheck disable=SC2317  # called through check
quiet() { "$@" >/dev/null; }

tv_start_with_port Com2
tv_tray_command 8
about="$(tv_wait_shown TFormAbout 280 201 10)" || die "the tray menu showed no about box"
probe activate "$(field "$about" hwnd)" >/dev/null || fail "could not bring the about box to the front"
probe chord 0x12 0x73  # Alt+F4
if probe wait-hidden TFormAbout 5000 >/dev/null; then
  pass "Alt+F4 closes the about box"
else
  fail "Alt+F4 did not close the about box"
fi
sleep 1
check "the program still runs after Alt+F4 on the about box" tv_running "$TV_PID"
check "its main window is still there" quiet probe find-window TForm_Main Tavrin
tv_tray_command 8
check "the menu shows the about box again" quiet tv_wait_shown TFormAbout 280 201 10
tv_finish
