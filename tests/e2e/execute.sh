#!/usr/bin/env bash
# The function key bound to "Execute Program" ('E' by default) opens
# "Execute Name" through the shell: here a probe program that records each
# start. The palette's program keeps running.
# e2e-limit: 90
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

cp "$RANPROBE" "$TV_WORK/ranprobe.exe"
marker="$TV_WORK/ranprobe.exe.ran"
rm -f "$marker"
tv_reg_defaults_with "Execute Name" "$(tv_winpath "$TV_WORK/ranprobe.exe")" | tv_reg_write ||
  die "could not write the settings key"
tv_start
tv_wait_main 30 >/dev/null || die "no main window within 30 s"
tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"

tv_send "key E"
tv_wait_line "$marker" '^ran ' 15 >/dev/null || fail "'E' did not start \"Execute Name\""
tv_send "key E"
tv_wait_line "$marker" '^ran ' 15 2 >/dev/null || fail "a second 'E' did not start it again"
check "the program still runs" tv_running "$TV_PID"
[ -z "$(probe find-window '#32770')" ] || fail "a box is open after running the program"
tv_finish
