#!/usr/bin/env bash
# The tools that draw on the frozen screen, Mark, Pen and Rectangle, each
# opened by its key over a known screen, used with moves and clicks of the
# receiver, and closed by its key; then opened again and closed by Escape.
# Every screenshot is the simulated machine's picture of the same steps.
# e2e-limit: 240
# e2e-needs: receiver
# e2e-needs: renderref
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib_tools.sh"
tv_hold_session
tt_paint_screen
tt_start
tt_capture_start

# --- Mark (key B): a check mark, then the cross after a right click ---------
tt_place 200 200
tt_open B "Mark"
tt_send "move 40 30; pause 150; click; pause 150; click right; pause 150; move 100 0; pause 150; click"
tt_shot mark
tt_changed "Mark: the check mark is stamped at the click" mark 240 230 32 32 40
tt_changed "Mark: the cross is stamped at the second click" mark 340 230 32 32 40
tt_close_by_key B "Mark"
tt_place 600 300
tt_open B "Mark again"
tt_send "click"
tt_shot mark-again
tt_changed "Mark again: the cross stays chosen" mark-again 600 300 32 32 40
tt_close_by_escape "Mark again"

# --- Pen (key F): a stroke of three segments over the white panel and the
# grid, a move without the button, a wider stroke after a right click ------
tt_place 120 120
tt_open F "Pen"
tt_send "press left; pause 150; move 100 0; pause 150; move 60 60; pause 150; move -120 40; pause 150; release left"
tt_send "move 120 0; pause 150; click right; pause 150; press left; pause 150; move 0 -100; pause 150; move 80 0; pause 150; release left"
tt_shot pen
tt_changed "Pen: the stroke crosses the panel" pen 120 110 100 20 300
tt_close_by_key F "Pen"
tt_place 600 500
tt_open F "Pen again"
tt_send "press left; pause 150; move 90 30; pause 150; release left"
tt_shot pen-again
tt_close_by_escape "Pen again"

# --- Rectangle (key I): a box opened, dragged down-right and back up-left of
# its anchor, its outline thickened twice, fixed; a second box -------------
tt_place 500 350
tt_open I "Rectangle"
tt_send "click; pause 150; move 120 80; pause 150; move 60 40"
tt_shot rectangle-band
tt_send "click right; pause 150; click right; pause 150; move -127 -100; pause 150; move -127 -100; pause 150; move -66 0"
tt_send "click"
tt_send "move 50 300; pause 150; click; pause 150; move 100 50; pause 150; click"
tt_shot rectangle
tt_close_by_key I "Rectangle"
tt_place 300 300
tt_open I "Rectangle again"
tt_send "click; pause 150; move 80 60"
tt_shot rectangle-again
tt_close_by_escape "Rectangle again"

tt_compare
check "the program still runs" tv_running "$TV_PID"
log "the test took $SECONDS s"
tv_finish
