#!/usr/bin/env bash
# The effect table editor binds Break Time to the slots of keys E and F by
# the pointer (the effect, then the two slots, then OK): the registry holds
# 12 in "3" and "4", the palette shows the clock in both places, and from
# the virtual receiver key E opens the break countdown, Escape closes it,
# and key F opens it again. Default and Cancel then store nothing and leave
# the palette and the keys as bound until the main window is shown again,
# which makes the factory table live.
# e2e-limit: 150
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

tv_start_with_port Com2
palette="$(tv_expand_palette)" || die "the palette did not expand from the tray menu"
px="$(field "$palette" x)" py="$(field "$palette" y)"
before="$(tv_settled_screenshot dialogs-bind-before "$px" "$py" 192 262)"

# Palette slot n's icon (48 by 48) as a picture of its own.
slot_sites=("16 40" "72 40" "128 40" "16 96" "72 96" "128 96" "16 152" "72 152" "128 152" "40 208" "104 208")
slot_crop() {  # png, slot, out.png
  local sx sy
  read -r sx sy <<<"${slot_sites[$2]}"
  convert "$1" -crop "48x48+$((px + sx))+$((py + sy))" +repage "$3"
}
differ() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }
slot_crop "$before" 3 "$TV_WORK/slot3-before.png"
slot_crop "$before" 4 "$TV_WORK/slot4-before.png"
check "the slots of E and F show different effects at first" \
  test "$(differ "$TV_WORK/slot3-before.png" "$TV_WORK/slot4-before.png")" -gt 100

tv_tray_command 4
editor="$(tv_wait_shown TFormEffectTable 452 437 10)" || die "the tray menu showed no editor"
ex="$(field "$editor" x)" ey="$(field "$editor" y)"
# Break Time is code 12: the first panel of the fifth row of "Available
# Effect" (group at 240,48; panel at 16,264 in it, 52 by 52). The slots of
# E and F are 3 and 4 of "In Use Effect" (group at 14,48; 13,121 and 86,120
# in it, 50 by 50).
click_at() { xdotool mousemove $((ex + $1)) $((ey + $2)); sleep 0.1; xdotool click 1; sleep 0.3; }
click_at $((240 + 16 + 26)) $((48 + 264 + 26))
click_at $((14 + 13 + 25)) $((48 + 121 + 25))
click_at $((14 + 86 + 25)) $((48 + 120 + 25))
xdotool mousemove 1000 740
bound="$(tv_settled_screenshot dialogs-bind-editor "$ex" "$ey" 452 437)"
# The editor's slots now show the same picture; the chosen panel's rim is
# yellow.
convert "$bound" -crop "50x50+$((ex + 27))+$((ey + 169))" +repage "$TV_WORK/editor-slot3.png"
convert "$bound" -crop "50x50+$((ex + 100))+$((ey + 168))" +repage "$TV_WORK/editor-slot4.png"
check_eq "the editor shows the same icon on both slots" 0 \
  "$(differ "$TV_WORK/editor-slot3.png" "$TV_WORK/editor-slot4.png")"
check "the chosen effect's panel has a yellow rim" \
  test "$(tv_ink "$bound" $((ex + 256)) $((ey + 312)) 52 4 FFFF00 | cut -d' ' -f1)" -eq 208
click_at $((296 + 32)) $((400 + 12))  # OK
probe wait-hidden TFormEffectTable 5000 >/dev/null || fail "the editor's OK did not close it"

check_eq 'the registry holds 12 in "3"' 0xc "$(tv_reg_get 3)"
check_eq 'the registry holds 12 in "4"' 0xc "$(tv_reg_get 4)"
tv_reg_values >"$TV_WORK/after.txt" || die "the settings key is gone"
tv_reg_defaults_with "3" 0x0000000c "4" 0x0000000c >"$TV_WORK/expected.txt"
if diff -u "$TV_WORK/expected.txt" "$TV_WORK/after.txt" >"$TV_WORK/ok.diff"; then
  pass "the editor's OK changed nothing but the two slots"
else
  fail "after the editor's OK the key holds other values than expected:"
  tv_show_diff "$TV_WORK/ok.diff" >&2
fi

# The palette was hidden and shown again by OK and shows the clock twice,
# an icon of its own (not what either slot showed before), on dark red.
tv_wait_shown TForm_Main 192 262 5 Tavrin >/dev/null || fail "the palette is not back after the editor's OK"
# The screen follows Wine's windows with a lag after a hide and a show, so
# the picture is waited for (bounded), not taken at a fixed time.
end=$((SECONDS + 8))
while :; do
  after="$(tv_screenshot dialogs-bind-palette)"
  slot_crop "$after" 3 "$TV_WORK/slot3-after.png"
  slot_crop "$after" 4 "$TV_WORK/slot4-after.png"
  [ "$(differ "$TV_WORK/slot3-after.png" "$TV_WORK/slot4-after.png")" = 0 ] &&
    [ "$(differ "$TV_WORK/slot3-before.png" "$TV_WORK/slot3-after.png")" -gt 100 ] && break
  [ "$SECONDS" -lt "$end" ] || break
  sleep 0.3
done
check_eq "the palette shows the same icon in the slots of E and F" 0 \
  "$(differ "$TV_WORK/slot3-after.png" "$TV_WORK/slot4-after.png")"
check "the slot of E shows another icon than before" \
  test "$(differ "$TV_WORK/slot3-before.png" "$TV_WORK/slot3-after.png")" -gt 100
check "the slot of F shows another icon than before" \
  test "$(differ "$TV_WORK/slot4-before.png" "$TV_WORK/slot4-after.png")" -gt 100
# The clock's square: its corners are dark red (red well above green and
# blue, not bright).
corner="$(convert "$TV_WORK/slot3-after.png" -crop 4x4+1+1 +repage -resize 1x1 -depth 8 txt:- |
  sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p' | tail -n 1)"
read -r cr cg cb <<<"$corner"
check "the new icon is the clock's dark red square (corner $corner)" \
  test "${cr:-0}" -ge 80 -a "${cr:-0}" -le 200 -a "${cg:-255}" -lt 60 -a "${cb:-255}" -lt 60
# ... and it is the editor's clock: the editor's 50 by 50 picture of it,
# scaled as the palette scales it, is the palette's.
convert "$TV_WORK/editor-slot3.png" -resize 48x48 "$TV_WORK/editor-slot3-48.png"
check "the palette's icon is the editor's clock" \
  test "$(compare -metric AE -fuzz 25% "$TV_WORK/editor-slot3-48.png" "$TV_WORK/slot3-after.png" null: 2>&1 | cut -d' ' -f1)" -lt 300

# --- the keys ------------------------------------------------------------------------
break_shown() {  # description
  local o
  o="$(probe wait-visible TForm_Draw 8000)" || { fail "$1: no overlay shows"; return 1; }
  sleep 0.5
  # The countdown's field in "Break Back Color" (0x000080 by default) and
  # its frame in "Break Font Color" (0x80FF80).
  local shot
  shot="$(tv_screenshot "dialogs-bind-$2")"
  check_eq "$1: the overlay shows the break countdown's field" "100 100 100 109 109" \
    "$(tv_ink "$shot" 100 100 10 10 800000)"
  check_eq "$1: and its frame" "$((4 * TAVRIN_SCREEN_HEIGHT)) 0 0 3 $((TAVRIN_SCREEN_HEIGHT - 1))" \
    "$(tv_ink "$shot" 0 0 4 "$TAVRIN_SCREEN_HEIGHT" 80FF80)"
  overlay="$(field "$o" hwnd)"
}
escape() {
  probe activate "$overlay" >/dev/null || true
  probe key 27
  probe wait-hidden TForm_Draw 8000 >/dev/null || fail "Escape did not close the break countdown"
  tv_wait_shown TForm_Main 192 262 10 Tavrin >/dev/null || fail "the palette did not come back"
}
tv_send "key E"
break_shown "key E" key-e && escape
tv_send "key F"
break_shown "key F" key-f && escape

# --- Default, then Cancel ------------------------------------------------------------
# The editor shows the factory table, but nothing is stored, and the palette
# and the keys keep the bound table until the main window is shown again.
tv_tray_command 4
editor="$(tv_wait_shown TFormEffectTable 452 437 10)" || die "the tray menu showed no editor"
ex="$(field "$editor" x)" ey="$(field "$editor" y)"
click_at $((224 + 32)) $((400 + 12))  # Default
click_at $((368 + 32)) $((400 + 12))  # Cancel
probe wait-hidden TFormEffectTable 5000 >/dev/null || fail "the editor's Cancel did not close it"
check_eq 'after Default and Cancel the registry still holds 12 in "3"' 0xc "$(tv_reg_get 3)"
check_eq 'after Default and Cancel the registry still holds 12 in "4"' 0xc "$(tv_reg_get 4)"
# The editor stood over part of the palette; the screen follows its hiding
# with a lag.
end=$((SECONDS + 8))
while :; do
  shot="$(tv_screenshot dialogs-bind-cancelled)"
  slot_crop "$shot" 4 "$TV_WORK/slot4-cancelled.png"
  [ "$(differ "$TV_WORK/slot4-after.png" "$TV_WORK/slot4-cancelled.png")" = 0 ] && break
  [ "$SECONDS" -lt "$end" ] || break
  sleep 0.3
done
check_eq "the palette keeps the clock after Default and Cancel" 0 \
  "$(differ "$TV_WORK/slot4-after.png" "$TV_WORK/slot4-cancelled.png")"
# Key F still starts the break; closing it shows the main window again,
# which takes the editor's table: the defaults.
tv_send "key F"
break_shown "key F after Default and Cancel" key-f-cancelled && escape
end=$((SECONDS + 8))
while :; do
  shot="$(tv_screenshot dialogs-bind-defaults)"
  slot_crop "$shot" 3 "$TV_WORK/slot3-defaults.png"
  slot_crop "$shot" 4 "$TV_WORK/slot4-defaults.png"
  [ "$(differ "$TV_WORK/slot3-before.png" "$TV_WORK/slot3-defaults.png")" = 0 ] &&
    [ "$(differ "$TV_WORK/slot4-before.png" "$TV_WORK/slot4-defaults.png")" = 0 ] && break
  [ "$SECONDS" -lt "$end" ] || break
  sleep 0.3
done
check_eq "the re-shown palette shows the default effect on the slot of E" 0 \
  "$(differ "$TV_WORK/slot3-before.png" "$TV_WORK/slot3-defaults.png")"
check_eq "and on the slot of F" 0 "$(differ "$TV_WORK/slot4-before.png" "$TV_WORK/slot4-defaults.png")"
# Key F is the Pen again: an overlay over the screen's picture, no break.
tv_send "key F"
if o="$(probe wait-visible TForm_Draw 8000)"; then
  overlay="$(field "$o" hwnd)"
  sleep 0.5
  check_eq "key F now opens the Pen, not the break countdown" 0 \
    "$(tv_ink "$(tv_screenshot dialogs-bind-pen)" 100 100 10 10 800000)"
  escape
else
  fail "key F opened no overlay after the defaults became live"
fi

check "the program still runs" tv_running "$TV_PID"
tv_finish
