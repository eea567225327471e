#!/usr/bin/env bash
# The tools that lay something over the frozen screen at the pointer:
# Reveal, Line, Spot Light and Laser Beam, each opened by its key over a
# known screen, used with moves and clicks of the receiver, and closed by
# its key; then opened again and closed by Escape. Every screenshot is the
# simulated machine's picture of the same steps.
# e2e-limit: 240
# e2e-needs: receiver
# e2e-needs: renderref
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib_tools.sh"
tv_hold_session
tt_paint_screen
tt_start
tt_capture_start
W="$TAVRIN_SCREEN_WIDTH"

# --- Reveal (key C): the screen shows the frame of the event before, so
# after the nudge at x 300 and a move the cover starts at 315 ---------------
tt_place 300 200
tt_open C "Reveal"
tt_send "move 100 0"
tt_shot reveal-first
check_eq "Reveal: the blue cover starts 15 pixels right of where the pointer stood" \
  "$(((W - 315) * 100)) 315 300 $((W - 1)) 399" "$(tv_ink "$TV_WORK/reveal-first.png" 0 300 "$W" 100 0000ff)"
# A left click: green from the next move on; a right click: the cover
# comes down from the top to the pointer's row.
tt_send "click; pause 150; move 10 0; pause 150; click right"
tt_shot reveal
tt_close_by_key C "Reveal"
tt_place 500 500
tt_open C "Reveal again"
tt_send "move 0 20"
tt_shot reveal-again
tt_close_by_escape "Reveal again"

# --- Line (key D): a vertical bar, a green one, then the horizontal bar ------
tt_place 500 300
tt_open D "Line"
tt_send "move 30 20; pause 150; click; pause 150; move -100 50; pause 150; click right; pause 150; move 10 10"
tt_shot line
tt_close_by_key D "Line"
tt_place 200 600
tt_open D "Line again"
tt_send "move 20 -20"
tt_shot line-again
tt_close_by_escape "Line again"

# --- Spot Light (key G): the box at the pointer over the darkened screen,
# larger after a left click, a horizontal band after a right click ----------
tt_place 300 250
tt_open G "Spot Light"
tt_send "move 50 50"
tt_shot spot-box
check_eq "Spot Light: the lit box of 200 is the screen as it was" 0 \
  "$(tv_pixels_differ "$TV_WORK/spot-box.png" "$TV_ARTIFACTS/$TV_TEST-start.png" 350 300 200 200)"
tt_changed "Spot Light: outside the box the screen is darkened" spot-box 0 0 340 290 30000
tt_send "click; pause 150; click right; pause 150; move 0 40"
tt_shot spot
tt_close_by_key G "Spot Light"
tt_place 600 100
tt_open G "Spot Light again"
tt_send "move -20 20"
tt_shot spot-again
tt_close_by_escape "Spot Light again"

# --- Laser Beam (key L): the dot moved out of the edge zone leaves nothing
# there; green after a left click, 20 pixels after a right click ------------
tt_place 10 10
tt_open L "Laser Beam"
tt_send "move 100 100; pause 150; move 100 100; pause 150; move 100 0; pause 150; click; pause 150; click right; pause 150; move 50 50"
tt_shot laser
check_eq "Laser Beam: no dot is left at the edge" 0 \
  "$(tv_pixels_differ "$TV_WORK/laser.png" "$TV_ARTIFACTS/$TV_TEST-start.png" 0 0 60 60)"
tt_changed "Laser Beam: the dot of 20 pixels stands at the pointer" laser 350 250 20 20 200
tt_close_by_key L "Laser Beam"
tt_place 800 600
tt_open L "Laser Beam again"
tt_send "move -30 -30"
tt_shot laser-again
tt_close_by_escape "Laser Beam again"

tt_compare
check "the program still runs" tv_running "$TV_PID"
log "the test took $SECONDS s"
tv_finish
