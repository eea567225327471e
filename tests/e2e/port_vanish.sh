#!/usr/bin/env bash
# The receiver's port goes away while the program runs (the pty behind COM2
# closes, as when the receiver is unplugged): the program keeps running and
# keeps answering, and when a port of that name comes back (a new pty) it
# reads it again with no user action.
# e2e-limit: 90
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session
# The port comes back for the tests after this one, whatever happens here.
unplugged=0
trap '[ "$unplugged" = 1 ] && tv_port_plug 2; tv_cleanup' EXIT

tv_start_with_port ""
probe setcursor 400 300
tv_send "move 3 0"
check_eq "the port works before it goes" "403 300" "$(probe wait-cursor 403 300 3000)"

unplugged=1
tv_port_unplug 2
# Several of the program's 50 ms polls meet the vanished port.
sleep 1
check "the program runs on without its port" tv_running "$TV_PID"
tray="$(tv_tray_geometry)"
check "the tray icon stays" test -n "$tray"

tv_port_plug 2
unplugged=0
took="$(tv_reads_within 2 10)"
if [ -n "$took" ]; then
  pass "the port is read again ${took} s after it came back"
else
  fail "the port is not read within 10 s of its coming back"
fi
check "the program still runs" tv_running "$TV_PID"
main="$(probe find-window TForm_Main Tavrin)"
check "its main window is still there" test -n "$main"
tv_finish
