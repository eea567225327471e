#!/usr/bin/env bash
# What the user is shown of the keyboard's shortcuts: the pointer resting on
# a slot of the palette brings up the system's tooltip with the slot's
# effect and shortcut ("Spot Light (Ctrl+Alt+Shift+F6)"), or the effect
# alone where another program holds the shortcut; the tray menu's "Keys"
# lists the slots with their shortcuts right-aligned, and an item opens the
# settings on the Keys page. Both are pictured.
# e2e-limit: 90
. "$(dirname "$0")/lib.sh"
tv_hold_session
# Another program holds C's Ctrl+Alt+Shift+F2 for the whole run.
tv_other_program_holds_f2

tv_start_with_port ""
palette="$(tv_expand_palette)" || die "the palette did not expand from the tray menu"
px="$(field "$palette" x)" py="$(field "$palette" y)"

# Rests the pointer on a point of the palette; prints the tip's text once
# one shows. Wine takes the pointer from X's motion: a move next to the
# point first, so that the program sees the pointer arrive.
hint_at() {  # x, y within the palette
  local tip
  xdotool mousemove $((px + $1 - 3)) $((py + $2 - 3))
  sleep 0.2
  xdotool mousemove $((px + $1)) $((py + $2))
  tip="$(probe wait-visible tooltips_class32 8000)" || return 1
  probe window-text "$(field "$tip" hwnd)"
}

before="$(tv_settled_screenshot "$TV_TEST-palette" "$px" "$py" 192 262)"
# G, the third of the second row (48x48 at 128,96).
check_eq "G's hint" "Spot Light (Ctrl+Alt+Shift+F6)" "$(hint_at 150 120)"
tip="$(probe find-window tooltips_class32)"
check "the tip lies below the pointer" test "$(field "$tip" y)" -gt $((py + 120))
shot="$(tv_settled_screenshot "$TV_TEST-hint-screen" "$px" "$py" 420 320)"
convert "$shot" -crop "420x320+$px+$py" +repage "$TV_ARTIFACTS/$TV_TEST-hint.png"
echo "the hint: $TV_ARTIFACTS/$TV_TEST-hint.png"
# C, the second of the first row: its shortcut is the other program's.
check_eq "C's hint, without the shortcut another program holds" "Reveal" "$(hint_at 96 64)"
xdotool mousemove 1000 740
probe wait-hidden tooltips_class32 5000 >/dev/null || fail "the hint stayed after the pointer left"
# The tip is a window of its own: gone, it leaves the palette as it was.
after="$(tv_settled_screenshot "$TV_TEST-palette-after" "$px" "$py" 192 262)"
check_eq "the palette's pixels after its hints" 0 "$(tv_pixels_differ "$before" "$after" "$px" "$py" 192 262)"

# The tray menu's "Keys" (its sixth entry) opens its list of the slots.
menu="$(tv_tray_menu)" || die "the tray icon's menu did not open"
tv_menu_click_entry "$menu" 6 || die "the tray menu has no sixth entry"
sub=""
end=$((SECONDS + 5))
while [ -z "$sub" ] && [ "$SECONDS" -lt "$end" ]; do
  sub="$(tv_unnamed_windows | grep -vx "$menu" | head -n 1)"
  # Mapped but not yet drawn at its size: looked at again.
  [ -n "$sub" ] && [ "$(tv_xgeometry "$sub" | awk '{ print $4 }')" -lt 100 ] && sub=""
  [ -n "$sub" ] || sleep 0.1
done
[ -n "$sub" ] || die "Keys opened no submenu"
read -r sx sy sw sh <<<"$(tv_xgeometry "$sub")"
read -r mx my mw mh <<<"$(tv_xgeometry "$menu")"
# The pointer stays on "Keys", which keeps the list open with none of its
# items highlighted.
sleep 0.5
shot="$(tv_screenshot "$TV_TEST-menu")"
left=$((mx < sx ? mx : sx)) top=$((my < sy ? my : sy))
right=$((mx + mw > sx + sw ? mx + mw : sx + sw)) bottom=$((my + mh > sy + sh ? my + mh : sy + sh))
convert "$shot" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage \
  "$TV_ARTIFACTS/$TV_TEST-tray-keys.png"
echo "the tray menu's Keys: $TV_ARTIFACTS/$TV_TEST-tray-keys.png"
# Eleven items, each with its shortcut right-aligned, but C's, which
# another program holds.
check_eq "the Keys list" "item+key item item+key item+key item+key item+key item+key item+key item+key item+key item+key" \
  "$(tv_menu_layout "$shot" "$sx" "$sy" "$sw" "$sh")"

# An item opens the settings on the Keys page.
tv_menu_click_entry "$sub" 1 || die "the Keys list has no first item"
dialog="$(tv_wait_shown TForm_Seeting 359 267 10)" || die "the Keys item showed no settings dialog"
tv_settings_tabs "$(field "$dialog" hwnd)" || die "the settings dialog has no page control"
check_eq "the settings open on the Keys page" 11 "$(tv_current_tab)"

exec 7>&-
check "the program still runs" tv_running "$TV_PID"
tv_finish
