#!/usr/bin/env bash
# The minimise/restore key: the window in front is minimised; pressed while
# a window without a caption is in front (as the taskbar is), it restores
# the window it minimised, and it still remembers that window after the
# window was minimised again by other means.
# e2e-limit: 90
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

tv_start_with_port ""
# Stands in for the taskbar: in front, and without a caption. (Without a
# window manager Wine keeps a minimised window in front, so something else
# must come to the front for the key to restore.)
tv_target "" 0 700 300 60
bar="$TARGET_HWND"
tv_target "Probe Target" 150 120 360 240
probe activate "$TARGET_HWND" || fail "the target could not be brought to the front"
state() { probe window-state "$TARGET_HWND"; }
s="$(state)"
check_eq "the target is in front" "0 1 1" "$(field "$s" iconic) $(field "$s" visible) $(field "$s" foreground)"

tv_send "minimise"
tv_wait_line "$TARGET_LOG" '^minimized$' 5 >/dev/null || fail "the key did not minimise the window in front"
check_eq "the target is minimised" 1 "$(field "$(state)" iconic)"

probe activate "$bar" || fail "the captionless window could not be brought to the front"
tv_send "restore"
tv_wait_line "$TARGET_LOG" '^restored$' 5 2 >/dev/null || fail "the key did not restore the minimised window"
check_eq "the target is restored" 0 "$(field "$(state)" iconic)"
echo "restored: $(tv_screenshot minimise-restored)"

# Minimised by hand this time (SW_MINIMIZE): the key still knows the window.
probe show-window "$TARGET_HWND" 6
tv_wait_line "$TARGET_LOG" '^minimized$' 5 2 >/dev/null || fail "the target did not minimise by hand"
probe activate "$bar" || fail "the captionless window could not be brought to the front"
tv_send "restore"
tv_wait_line "$TARGET_LOG" '^restored$' 5 3 >/dev/null || fail "a later press did not restore the same window"
check_eq "the target is restored again" 0 "$(field "$(state)" iconic)"
check "the program still runs" tv_running "$TV_PID"
tv_finish
