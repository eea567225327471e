#!/usr/bin/env bash
# The pointer drives the desktop through the virtual receiver and the pty
# behind COM2: relative motion lands exactly, no packet of a burst is lost, a
# packet cut across two writes still counts once, and clicks and a drag
# reach another program's window at the pointer.
# e2e-limit: 90
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

tv_start_with_port ""

# The cursor is where the probe put it before each step, so every expected
# position is exact (the prefix has pointer acceleration off).
at() {  # x, y
  probe setcursor "$1" "$2" || fail "SetCursorPos $1,$2 failed"
}
expect_cursor() {  # description, x, y
  local got
  got="$(probe wait-cursor "$2" "$3" 3000)" || true
  check_eq "$1" "$2 $3" "$got"
}

# --- motion ------------------------------------------------------------------
at 500 400
tv_send "move 10 -7"
expect_cursor "a move of 10,-7" 510 393
tv_send "move -128 127; move 127 -128"
expect_cursor "the largest steps both ways" 509 392
tv_send "move 0 0"
sleep 0.3  # a still packet: nothing to wait for but time
check_eq "a still packet does not move" "509 392" "$(tv_cursor)"

# A burst: six packets in one write, each a different power of two on both
# axes, so any packet lost or decoded twice shows in the sum.
at 300 300
tv_send "move 1 -1; move 2 -2; move 4 -4; move 8 -8; move 16 -16; move 32 -32"
expect_cursor "six packets in one write" 363 237

# A packet cut after its first and after its second byte, the rest written
# 35 ms later: most cuts fall across one of the program's 50 ms polls.
at 200 200
for cut in 1 2 1 2 1 2; do
  if [ "$cut" = 1 ]; then
    tv_send "raw c0; pause 35; raw 85 80"
  else
    tv_send "raw c0 85; pause 35; raw 80"
  fi
done
expect_cursor "six packets cut across two writes" 230 200

# --- clicks and a drag into another program ------------------------------------
tv_target "Probe Target" 100 100 400 300
lines() { grep -cE "$1" "$TARGET_LOG"; }
cx=$((TARGET_X + 50)) cy=$((TARGET_Y + 40))
at "$cx" "$cy"
tv_send "click"
tv_wait_line "$TARGET_LOG" '^lbuttonup ' 5 >/dev/null || fail "no left click reached the target"
check_eq "left click at the pointer" "lbuttondown x=$cx y=$cy|lbuttonup x=$cx y=$cy" \
  "$(grep -E '^lbutton' "$TARGET_LOG" | paste -sd'|')"

tv_send "click right"
tv_wait_line "$TARGET_LOG" '^rbuttonup ' 5 >/dev/null || fail "no right click reached the target"
check_eq "right click at the pointer" "rbuttondown x=$cx y=$cy|rbuttonup x=$cx y=$cy" \
  "$(grep -E '^rbutton' "$TARGET_LOG" | paste -sd'|')"

# A drag over several writes, as a hand makes it: a step per poll. (Packets
# of one delivery are injected back to back, and Wine may then give a button
# message the position from before the last move.)
tv_send $'press left; pause 60\nmove 20 10; pause 60\nmove 20 10; pause 60\nmove 20 10; pause 60\nrelease left'
tv_wait_line "$TARGET_LOG" '^lbuttonup ' 5 2 >/dev/null || fail "the drag's release did not reach the target"
ex=$((cx + 60)) ey=$((cy + 30))
check_eq "the drag starts at the pointer" "lbuttondown x=$cx y=$cy" "$(grep -E '^lbuttondown' "$TARGET_LOG" | tail -n 1)"
check_eq "the drag moves with the button held" "ldrag x=$ex y=$ey" "$(grep -E '^ldrag' "$TARGET_LOG" | tail -n 1)"
check_eq "the drag ends where the pointer went" "lbuttonup x=$ex y=$ey" "$(grep -E '^lbuttonup' "$TARGET_LOG" | tail -n 1)"
check_eq "no button stays held" "left=0 right=0" "$(probe buttons)"

# Press and release inside one burst: both arrive, none is lost.
before="$(lines '^lbuttonup ')"
tv_send "click; move 5 0; click; move 5 0"
tv_wait_line "$TARGET_LOG" '^lbuttonup ' 5 $((before + 2)) >/dev/null || fail "a burst's clicks were lost"
check_eq "two clicks in one burst" "$((before + 2))" "$(lines '^lbuttondown ')"
expect_cursor "the burst's moves" $((ex + 10)) "$ey"
check_eq "no button stays held after the burst" "left=0 right=0" "$(probe buttons)"

check "the program still runs" tv_running "$TV_PID"
echo "after the pointer test: $(tv_screenshot pointer-end)"
tv_finish
