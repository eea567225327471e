#!/usr/bin/env bash
# The program on a screen at 150 % scale (the prefix's LogPixels 144). The
# overlay is drawn in the screen's own pixels at the screen's DPI, its tools
# half as large again as at 96 DPI: the Spot Light's box of 200 is 300
# pixels, the break screen's digits are 96 pixels high and stand 128 left
# of the centre. The palette and the settings dialog show their 96-DPI
# designs half as large again (288 x 393 and 539 x 401), and the pointer
# works on them there: a click on the palette's close box ends the program.
# No caption of the settings' system controls is cut, there nor laid out
# at 200 %, in the face Wine gives for "Microsoft Sans Serif".
# e2e-limit: 150
# e2e-needs: receiver
# e2e-suite: dpi144
. "$(dirname "$0")/lib.sh"
tv_hold_session

W="$TAVRIN_SCREEN_WIDTH" H="$TAVRIN_SCREEN_HEIGHT"
cx=$((W / 2)) cy=$((H / 2))
check_eq "the screen's DPI" "system=144" "$(probe dpi)"

# The break screen on key B (slot 0 holds effect code 12), yellow digits on
# navy; Spot Light stays on key G.
tv_reg_defaults_with "0" 12 "Break Time " 5 "Break Font Color" 0x0000FFFF \
  "Break Back Color" 0x00800000 "Com Port" | tv_reg_write || die "could not write the settings key"
tv_start
tv_wait_main 30 >/dev/null || die "no main window within 30 s"
tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"

# The bounding box of one colour's pixels in part of a picture: "w h x y".
ink_box() {  # png, x, y, w, h, rrggbb
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -fill black +opaque "#$6" -trim \
    -format '%w %h %X %Y' info: 2>/dev/null | tr -d '+'
}

# --- Spot Light: the lit box of 200 is 300 pixels square at 144 DPI.
xdotool mousemove 350 300
probe setcursor 350 300 >/dev/null || fail "SetCursorPos failed"
sleep 0.3
start="$(tv_screenshot dpi_scale-start)"
tv_send "key G"
o="$(probe wait-visible TForm_Draw 5000)" || die "no overlay shows for key G"
check_eq "the overlay covers the screen" "0 0 $W $H" \
  "$(field "$o" x) $(field "$o" y) $(field "$o" w) $(field "$o" h)"
check_eq "the overlay is drawn for the screen's DPI" "system=144 window=144" \
  "$(probe dpi "$(field "$o" hwnd)")"
end=$((SECONDS + 10))
until [ "$(tv_pixels_differ "$start" "$(tv_screenshot dpi_scale-spot)" 0 0 300 250)" -gt 1000 ]; do
  [ "$SECONDS" -lt "$end" ] || die "the spot light did not darken the screen"
  sleep 0.2
done
spot="$(tv_settled_screenshot dpi_scale-spot 0 0 "$W" "$H")"
check_eq "the lit box (300 x 300 from the pointer) is the screen as it was" 0 \
  "$(tv_pixels_differ "$start" "$spot" 350 300 300 300)"
right="$(tv_pixels_differ "$start" "$spot" 650 300 2 300)"
below="$(tv_pixels_differ "$start" "$spot" 350 600 300 2)"
check "past its right edge the screen is darkened ($right of 600 pixels)" test "$right" -ge 250
check "below its bottom edge the screen is darkened ($below of 600 pixels)" test "$below" -ge 250
tv_send "key G"
probe wait-hidden TForm_Draw 5000 >/dev/null || fail "key G did not close the spot light"

# --- Break Time: digits of 96 pixels, placed from the centre by 1.5 times
# the design's offsets.
tv_send "key B"
probe wait-visible TForm_Draw 5000 >/dev/null || die "no overlay shows for key B"
end=$((SECONDS + 10))
while :; do
  shot="$(tv_screenshot dpi_scale-break)"
  box="$(ink_box "$shot" $((cx - 200)) $((cy - 100)) 480 240 FFFF00)"
  read -r iw ih ix iy <<<"$box"
  [ "${iw:-0}" -gt 100 ] && break
  [ "$SECONDS" -lt "$end" ] || die "the break screen showed no digits"
  sleep 0.2
done
log "the digits' ink: ${iw}x$ih at $ix,$iy in the box from $((cx - 200)),$((cy - 100))"
left=$((cx - 200 + ix))
# Liberation Sans's digits are about 0.72 of the character height high: 69
# pixels at 96, 46 at 64.
check "the digits are about 69 pixels high ($ih)" test "$ih" -ge 62 -a "$ih" -le 76
check "the minutes begin about 128 left of the centre (at $left)" \
  test "$left" -ge $((cx - 128)) -a "$left" -le $((cx - 116))
tv_send "key B"
probe wait-hidden TForm_Draw 5000 >/dev/null || fail "key B did not close the break screen"

# --- The palette and the settings dialog at the scale.
tv_tray_command 1 || die "the tray menu did not open"
main="$(tv_wait_shown TForm_Main 288 393 10 Tavrin)" || die "the palette did not expand to 288 x 393"
check_eq "the palette is drawn for the screen's DPI" "system=144 window=144" \
  "$(probe dpi "$(field "$main" hwnd)")"
px="$(field "$main" x)" py="$(field "$main" y)"
shot="$(tv_settled_screenshot dpi_scale-palette "$px" "$py" 288 393)"
tv_crop_window "$shot" "$main" "$TV_ARTIFACTS/dpi_scale-palette-crop.png"
tv_tray_command 3 || die "the tray menu did not open the settings"
dialog="$(tv_wait_shown TForm_Seeting 539 401 10)" || die "the settings dialog did not show at 539 x 401"
shot="$(tv_settled_screenshot dpi_scale-settings "$(field "$dialog" x)" "$(field "$dialog" y)" 539 401)"
tv_crop_window "$shot" "$dialog" "$TV_ARTIFACTS/dpi_scale-settings-crop.png"
# Every caption of its buttons and labels (on every page) fits its control
# in the face the system gives for the one the program asks for at a scale
# other than 100 % (its 11 pixels at 96 DPI taken to the scale): at 150 %
# where they stand, and at 200 % with the controls laid out at that scale.
for dpi in 144 192; do
  # The probe only reads; a run of it that Wine failed to start is tried once
  # more, with its status in the log.
  captions="$(probe captions "$(field "$dialog" hwnd)" "$dpi" "Microsoft Sans Serif" 11)" || {
    log "the captions probe at $dpi DPI ended with $?; trying again"
    captions="$(probe captions "$(field "$dialog" hwnd)" "$dpi" "Microsoft Sans Serif" 11)"
  } || fail "no captions measured at $dpi DPI"
  printf '%s\n' "$captions" >"$TV_ARTIFACTS/dpi_scale-captions-$dpi.txt"
  summary="$(tail -n 1 <<<"$captions")"
  log "captions at $dpi DPI: $summary"
  grep '^cut ' <<<"$captions" || true
  check "captions were measured at $dpi DPI" test "$(grep -c '^fits ' <<<"$captions")" -ge 10
  check_eq "no caption of the settings is cut at $dpi DPI (${summary%% cut=*})" "cut=0" \
    "cut=${summary##*cut=}"
done
# Cancle (at 296,232 57 x 21 in the design) closes the dialog where it shows.
xdotool mousemove $(($(field "$dialog" x) + (296 + 28) * 3 / 2)) $(($(field "$dialog" y) + (232 + 10) * 3 / 2)) click 1
probe wait-hidden TForm_Seeting 5000 >/dev/null && pass "Cancle, clicked where the scaled dialog shows it, closes it" ||
  fail "a click on the scaled Cancle did not close the dialog"
# The palette shows again once the dialog goes; its close box (176,16 in
# the design) ends the program.
main="$(tv_wait_shown TForm_Main 288 393 10 Tavrin)" || die "the palette did not come back"
xdotool mousemove $(($(field "$main" x) + 176 * 3 / 2)) $(($(field "$main" y) + 16 * 3 / 2)) click 1
if tv_wait_exit "$TV_PID" 20; then pass "the palette's close box, clicked at the scale, ends the program"
else fail "a click on the scaled close box did not end the program"; fi
tv_finish
