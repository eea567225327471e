#!/usr/bin/env bash
# "Com Port" chooses the port: exactly "Com1" reads the first, anything else
# (another spelling, or no value at all) the second. A pty stands behind
# each port, and motion is written into both: only the chosen one's moves.
# e2e-limit: 120
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

reads() {  # setting or "", the port it must read (1 or 2)
  local other=$((3 - $2)) x=400 y=300
  tv_start_with_port "$1"
  probe setcursor "$x" "$y" || fail "SetCursorPos failed"
  # The other port's move goes first: read at all, it lands no later than
  # the chosen port's move that the wait is for.
  if [ "$other" = 1 ]; then tv_send --com1 "move 7 0"; else tv_send "move 7 0"; fi
  if [ "$2" = 1 ]; then tv_send --com1 "move 0 5"; else tv_send "move 0 5"; fi
  local got
  got="$(probe wait-cursor "$x" $((y + 5)) 3000)"
  check_eq "\"Com Port\" '${1:-(absent)}' reads COM$2 only" "$x $((y + 5))" "$got"
  tv_stop "$TV_PID"
}

reads Com1 1
reads com1 2
reads "" 2
reads Com2 2
tv_finish
