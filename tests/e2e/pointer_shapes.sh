#!/usr/bin/env bash
# The pointer's shape over the program's windows, as the user sees it: over
# the about box's link another shape (the hand) than over its title (the
# arrow), over the Mark tool's overlay the mark's own cursor (neither of
# those), and no pointer at all over the Reveal tool's overlay. Wine hands
# another process no picture of a cursor, so the shapes are compared by the
# handles the program shows.
# e2e-limit: 120
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

shape_at() {  # x, y -> the shape seen there once the pointer has settled
  probe setcursor "$1" "$2" >/dev/null || { echo "no-setcursor"; return; }
  sleep 0.3
  probe setcursor $(($1 + 1)) "$2" >/dev/null || true
  sleep 0.3
  probe cursor-shape
}
# shellcheck disable=SC2317  # called through check
differ() { [ "$1" != "$2" ]; }

tv_start_with_port ""
tv_tray_command 8
about="$(tv_wait_shown TFormAbout 280 201 10)" || die "the tray menu showed no about box"
ax="$(field "$about" x)" ay="$(field "$about" y)"
title="$(shape_at $((ax + 110)) $((ay + 60)))"
link="$(shape_at $((ax + 110)) $((ay + 168)))"
log "title: $title, link: $link"
check "the pointer shows over the about box" differ "$title" hidden
check "over the link another shape than over the title" differ "$link" "$title"
check_eq "the title's shape again after the link" "$title" "$(shape_at $((ax + 100)) $((ay + 60)))"
probe activate "$(field "$about" hwnd)" >/dev/null || true
probe chord 0x12 0x73  # Alt+F4
probe wait-hidden TFormAbout 5000 >/dev/null || fail "the about box did not close"

# 'B' opens the Mark tool and 'C' the Reveal tool by default.
tv_send "key B"
o="$(probe wait-visible TForm_Draw 5000)" || die "no overlay shows"
mark="$(shape_at 500 400)"
log "mark: $mark"
check "the pointer shows over the Mark overlay" differ "$mark" hidden
check "the mark's cursor is not the arrow" differ "$mark" "$title"
check "the mark's cursor is not the hand" differ "$mark" "$link"
probe activate "$(field "$o" hwnd)" >/dev/null || true
probe key 27
probe wait-hidden TForm_Draw 5000 >/dev/null || fail "Escape did not close the Mark overlay"

tv_send "key C"
o="$(probe wait-visible TForm_Draw 5000)" || die "no Reveal overlay shows"
check_eq "no pointer over the Reveal overlay" hidden "$(shape_at 520 380)"
probe activate "$(field "$o" hwnd)" >/dev/null || true
probe key 27
probe wait-hidden TForm_Draw 5000 >/dev/null || fail "Escape did not close the Reveal overlay"
check "the program still runs" tv_running "$TV_PID"
tv_finish
