#!/usr/bin/env bash
# The program is held up (its process stopped) right after a poll took the
# first one or two bytes of a packet, while the rest of that packet and a
# stream of upward moves arrive. Had the bytes the poll took been thrown
# away, the moves would read out of step: two bytes late, each move's first
# byte is the function key 'L' (the Laser Beam overlay); one byte late, the
# motion is garbage. Resumed, the program continues the packet: no effect
# opens and the pointer moves exactly as the packets say.
# e2e-limit: 120
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

tv_start_with_port ""

# An upward move of 4 pixels: 0x4C 0x00 0x3C on the wire as cc 80 bc.
up=(cc 80 bc)
rest_of_stream="$(printf 'cc 80 bc %.0s' $(seq 9))"

for round in 1 2 3 4; do
  cut=$((round % 2 + 1))
  probe setcursor 500 400 || fail "SetCursorPos 500,400 failed"
  # Stopped, the program misses its 50 ms poll; once it runs again the poll
  # is overdue and comes at once, so it takes the bytes written meanwhile
  # within a few milliseconds, and it is stopped again before the next one.
  kill -STOP "$TV_PID"
  tv_send "raw ${up[*]:0:$cut}"
  kill -CONT "$TV_PID"
  sleep 0.025
  kill -STOP "$TV_PID"
  tv_send "raw ${up[*]:$cut} $rest_of_stream"
  sleep 0.4
  kill -CONT "$TV_PID"
  got="$(probe wait-cursor 500 360 3000)" || true
  check_eq "round $round (the poll took $cut byte(s)): ten moves of 4 up" "500 360" "$got"
  if probe wait-visible TForm_Draw 1000 >/dev/null 2>&1; then
    fail "round $round: an overlay opened: $(tv_screenshot "late_poll-overlay-$round")"
    tv_send "key L"  # the Laser Beam key closes it again
    probe wait-hidden TForm_Draw 10000 >/dev/null 2>&1 || true
  else
    pass "round $round: no effect opened"
  fi
done

check_eq "no button is held" "left=0 right=0" "$(probe buttons)"
check "the program still runs" tv_running "$TV_PID"
tv_finish
