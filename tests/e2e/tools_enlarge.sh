#!/usr/bin/env bash
# The tools that enlarge the frozen screen, Zoom and Magnifier, each opened
# by its key over a known screen, used with moves and clicks of the
# receiver, and closed by its key; then opened again and closed by Escape.
# Every screenshot is the simulated machine's picture of the same steps.
# e2e-limit: 200
# e2e-needs: receiver
# e2e-needs: renderref
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/lib_tools.sh"
tv_hold_session
tt_paint_screen
tt_start
tt_capture_start
W="$TAVRIN_SCREEN_WIDTH" H="$TAVRIN_SCREEN_HEIGHT"

# --- Zoom (key K): twice, from the pointer; near the bottom right the
# area stays inside the screen (512, 384 to the corner); a left click zooms
# four times, a right click back to twice ----------------------------------
tt_place 600 500
tt_open K "Zoom"
tt_send "move 100 100"
tt_shot zoom-corner
expected="$TV_WORK/zoom-corner-expected.png"
convert "$TV_ARTIFACTS/$TV_TEST-start.png" -crop "$((W / 2))x$((H / 2))+$((W / 2))+$((H / 2))" +repage \
  -filter point -resize 200% "$expected"
check_eq "Zoom: the screen's bottom right quarter fills the screen twice as large" 0 \
  "$(tv_pixels_differ "$TV_WORK/zoom-corner.png" "$expected" 0 0 "$W" "$H")"
tt_send "click; pause 150; move -127 -127; pause 150; move -127 -127; pause 150; move -246 -96"
tt_shot zoom-4
tt_send "click right"
tt_shot zoom-2
tt_close_by_key K "Zoom"
tt_place 100 100
tt_open K "Zoom again"
tt_send "move 10 10"
tt_shot zoom-again
tt_close_by_escape "Zoom again"

# --- Magnifier (key J): the lens of 300 at the pointer, one pinned by a
# left click and the next move, then the lens of 400 after a right click ---
tt_place 200 200
tt_open J "Magnifier"
tt_send "move 100 100; pause 150; click; pause 150; move 127 0; pause 150; move 120 100"
tt_shot magnifier
tt_send "click right"
tt_shot magnifier-400
tt_close_by_key J "Magnifier"
tt_place 700 500
tt_open J "Magnifier again"
tt_send "move 20 20"
tt_shot magnifier-again
tt_close_by_escape "Magnifier again"

tt_compare
check "the program still runs" tv_running "$TV_PID"
log "the test took $SECONDS s"
tv_finish
