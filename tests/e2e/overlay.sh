#!/usr/bin/env bash
# An overlay key with the palette expanded: the overlay covers the screen
# with a picture of it as it was without the palette (nothing of the palette
# in it), the same key closes it and the palette comes back; Escape on the
# overlay closes it too.
# e2e-limit: 120
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

# A known screen: a window of four coloured quadrants where the palette
# will stand. It opens first, so the palette comes out above it.
tv_target "Probe Target" 60 40 700 560
tv_start_with_port ""
xdotool mousemove 900 700  # no tip or highlight stays on the screen
sleep 0.5
known="$(tv_screenshot overlay-known)"

menu="$(tv_tray_menu)" || die "the tray icon's menu did not open"
tv_menu_click "$menu" first  # "&MainMenu"
xdotool mousemove 900 700
main="$(probe wait-window TForm_Main 5000 Tavrin)"
end=$((SECONDS + 10))
while [ "$(field "$main" w)" = 0 ] && [ "$SECONDS" -lt "$end" ]; do
  sleep 0.1
  main="$(probe find-window TForm_Main Tavrin)"
done
px="$(field "$main" x)" py="$(field "$main" y)" pw="$(field "$main" w)" ph="$(field "$main" h)"
[ "$pw" -gt 0 ] || die "the palette did not expand"
log "palette at $px,$py size ${pw}x$ph"
sleep 0.5
palette="$(tv_screenshot overlay-palette)"
area=$((pw * ph))
check "the palette shows on the screen" test "$(tv_pixels_differ "$known" "$palette" "$px" "$py" "$pw" "$ph")" -gt $((area / 2))

W="$TAVRIN_SCREEN_WIDTH" H="$TAVRIN_SCREEN_HEIGHT"
overlay_shown() {  # description
  local o
  o="$(probe wait-visible TForm_Draw 5000)" || { fail "$1: no overlay shows"; return 1; }
  check_eq "$1: the overlay covers the screen" "0 0 $W $H" \
    "$(field "$o" x) $(field "$o" y) $(field "$o" w) $(field "$o" h)"
  sleep 0.3  # its picture reaches X
  local shot
  shot="$(tv_screenshot "overlay-$2")"
  local off
  off="$(tv_pixels_differ "$known" "$shot" "$px" "$py" "$pw" "$ph")"
  check "$1: where the palette stood the overlay shows what lay beneath ($off pixels off)" \
    test "$off" -le $((area / 100))
  off="$(tv_pixels_differ "$known" "$shot" 0 0 "$W" "$H")"
  check "$1: the overlay shows the screen ($off pixels off)" test "$off" -le $((W * H / 100))
}
overlay_gone() {  # description
  probe wait-hidden TForm_Draw 5000 >/dev/null || { fail "$1: the overlay is still shown"; return; }
  local m end=$((SECONDS + 5))
  m="$(probe find-window TForm_Main Tavrin)"
  while [ "$(field "$m" visible)$(field "$m" w)" != "1$pw" ] && [ "$SECONDS" -lt "$end" ]; do
    sleep 0.1
    m="$(probe find-window TForm_Main Tavrin)"
  done
  check_eq "$1: the palette is back" "1 $pw $ph" "$(field "$m" visible) $(field "$m" w) $(field "$m" h)"
  sleep 0.3
  local shot
  shot="$(tv_screenshot "overlay-$2")"
  check "$1: the palette shows on the screen again" \
    test "$(tv_pixels_differ "$known" "$shot" "$px" "$py" "$pw" "$ph")" -gt $((area / 2))
}

# 'B' is bound to the first overlay effect (Mark) by default.
tv_send "key B"
overlay_shown "key B" key
tv_send "key B"
overlay_gone "the same key again" closed

tv_send "key B"
overlay_shown "key B once more" again
o="$(probe find-window TForm_Draw)"
probe activate "$(field "$o" hwnd)" >/dev/null || true
probe key 27
overlay_gone "Escape" escaped
check "the program still runs" tv_running "$TV_PID"
tv_finish
