#!/usr/bin/env bash
# The scroll modes: with horizontal scroll on, every packet posts one scroll
# message to the window under the pointer (line left for a leftward move,
# line right otherwise) and moves nothing; none goes to a window captioned
# "Program Manager" (the desktop's own window on Windows; Wine's desktop has
# no caption, so a probe window stands in for it). The same key turns the
# mode off; vertical scroll likewise, up for an upward move.
# e2e-limit: 90
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

# Keys 'K' and 'L' (slots 9 and 10) bound to the two scroll effects.
tv_reg_defaults_with 9 9 10 10 | tv_reg_write || die "could not write the settings key"
tv_start
tv_wait_main 30 >/dev/null || die "no main window within 30 s"
tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"

tv_target "Program Manager" 560 100 300 200
desk_log="$TARGET_LOG" dx=$((TARGET_X + 100)) dy=$((TARGET_Y + 80))
tv_target "Probe Target" 100 100 400 300
tx=$((TARGET_X + 100)) ty=$((TARGET_Y + 80))
count() { grep -cE "$2" "$1"; }

probe setcursor "$tx" "$ty"
tv_send "key K"
tv_send "move -3 0"
tv_wait_line "$TARGET_LOG" '^hscroll ' 5 >/dev/null || fail "no scroll message reached the window under the pointer"
tv_send "move 0 0"
tv_wait_line "$TARGET_LOG" '^hscroll ' 5 2 >/dev/null || fail "a still packet posted no scroll message"
tv_send "move 5 -5"
tv_wait_line "$TARGET_LOG" '^hscroll ' 5 3 >/dev/null || fail "a right move posted no scroll message"
check_eq "horizontal: left, then right for a still and a right move" \
  "hscroll code=0 lparam=0|hscroll code=1 lparam=0|hscroll code=1 lparam=0" \
  "$(grep -E '^(h|v)scroll' "$TARGET_LOG" | paste -sd'|')"
check_eq "nothing moves in a scroll mode" "$tx $ty" "$(tv_cursor)"

probe setcursor "$dx" "$dy"
tv_send "move -3 0; move 0 0"
# The key afterwards is decoded after those packets: once its effect shows
# (the pointer moves again), they have been handled.
tv_send "key K"
tv_send "move 4 0"
probe wait-cursor $((dx + 4)) "$dy" 3000 >/dev/null || fail "the same key did not end the scroll mode"
check_eq "no scroll message over \"Program Manager\"" 0 "$(count "$desk_log" 'scroll ')"
check_eq "the other window got none either" 3 "$(count "$TARGET_LOG" 'scroll ')"

probe setcursor "$tx" "$ty"
tv_send "key L"
tv_send "move 0 -2"
tv_wait_line "$TARGET_LOG" '^vscroll ' 5 >/dev/null || fail "no vertical scroll message"
tv_send "move 3 3"
tv_wait_line "$TARGET_LOG" '^vscroll ' 5 2 >/dev/null || fail "a down move posted no vertical scroll message"
check_eq "vertical: up, then down" "vscroll code=0 lparam=0|vscroll code=1 lparam=0" \
  "$(grep -E '^vscroll' "$TARGET_LOG" | paste -sd'|')"
tv_send "key L"
tv_send "move 2 2"
probe wait-cursor $((tx + 2)) $((ty + 2)) 3000 >/dev/null || fail "the same key did not end vertical scroll"
check "the program still runs" tv_running "$TV_PID"
tv_finish
