#!/usr/bin/env bash
# A normal start: the palette collapses to nothing and the program lives in
# the tray, whose tip names it and whose right-click menu opens near the
# bottom right corner; the menu's last item ends the program and takes the
# icon away.
# e2e-limit: 150
. "$(dirname "$0")/lib.sh"
tv_hold_session
W="$TAVRIN_SCREEN_WIDTH" H="$TAVRIN_SCREEN_HEIGHT"

tv_start
main="$(tv_wait_main 30)" || die "no main window within 30 s"
tray="$(tv_wait_tray 20)" || die "no tray icon within 20 s"
# The collapse happens during start-up; give it a moment before looking.
sleep 1
main="$(probe find-window TForm_Main Tavrin)"
check_eq "main window visible" 1 "$(field "$main" visible)"
check_eq "main window size" "0x0" "$(field "$main" w)x$(field "$main" h)"
[ -z "$(probe find-window '#32770')" ] || fail "a box is open after a normal start"

read -r tx ty tw th <<<"$tray"
log "tray window at $tx,$ty size ${tw}x$th"
# One icon: it fills the first square slot of the tray window.
ix=$((tx + th / 2)) iy=$((ty + th / 2))

# --- the tip -----------------------------------------------------------------
# Wine takes its pointer position from X motion over its own windows: two
# moves make sure the tray sees the pointer arrive and rest.
xdotool mousemove $((ix - 2)) $((iy - 2))
sleep 0.2
xdotool mousemove "$ix" "$iy"
tip="$(probe wait-visible tooltips_class32 8000)"
if [ -n "$tip" ]; then
  check_eq "tray tip text" Tavrin "$(probe window-text "$(field "$tip" hwnd)")"
  echo "tray tip picture: $(tv_screenshot tray-tip)"
else
  fail "no tip appears while the pointer rests on the tray icon"
  echo "tray without tip: $(tv_screenshot tray-tip)"
fi

# --- the menu ----------------------------------------------------------------
xdotool mousemove "$ix" "$iy" click 3
menu=""
end=$((SECONDS + 10))
while [ -z "$menu" ] && [ "$SECONDS" -lt "$end" ]; do
  menu="$(tv_unnamed_windows | head -n 1)"
  [ -n "$menu" ] || sleep 0.2
done
[ -n "$menu" ] || die "no menu window appears after a right click on the tray icon"
sleep 0.5   # let it finish drawing before the picture is taken
read -r mx my mw mh <<<"$(tv_xgeometry "$menu")"
shot="$(tv_screenshot tray-menu)"
echo "tray menu at $mx,$my size ${mw}x$mh: $shot"

# The program asks for the point (W-40, H-40), centred horizontally; the
# system may shift or flip the menu to keep it on the screen, but the point
# stays on or inside the menu's rectangle.
px=$((W - 40)) py=$((H - 40))
check "menu lies on the screen" test "$mx" -ge 0 -a "$my" -ge 0 -a $((mx + mw)) -le "$W" -a $((my + mh)) -le "$H"
check "menu is in the lower right quarter" test "$mx" -ge $((W / 2)) -a "$my" -ge $((H / 2))
check "menu spans x=$px" test "$mx" -le "$px" -a $((mx + mw)) -ge "$px"
check "menu spans y=$py (top-aligned, flipped upwards or shifted)" test "$my" -le "$py" -a $((my + mh)) -ge "$py"
wmenu="$(probe find-window '#32768')"
check_eq "Wine's menu rectangle matches the X window" "$mx $my $mw $mh" \
  "$(field "$wmenu" x) $(field "$wmenu" y) $(field "$wmenu" w) $(field "$wmenu" h)"
# &MainMenu, -, &Settings, &Effect Table, COM Port >, &Keys >, -, &About, &Exit
check_eq "menu layout" "item+key sep item+key item+key item> item> sep item+key item" \
  "$(tv_menu_layout "$shot" "$mx" "$my" "$mw" "$mh")"

# --- Exit ---------------------------------------------------------------------
# By the pointer: without a window manager the menu does not always get the
# keyboard focus.
tv_menu_click "$menu" last
echo "after Exit: $(tv_screenshot tray-menu-exit)"
if tv_wait_exit "$TV_PID" 20; then
  check_eq "exit code after Exit" 0 "$TV_RC"
else
  fail "the program still runs 20 s after Exit was chosen"
fi
# The session is held open, so the tray host is still there to show the
# icon if it had not been removed.
end=$((SECONDS + 10))
while [ -n "$(tv_tray_geometry)" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.2; done
[ -z "$(tv_tray_geometry)" ] || fail "the tray icon is still shown after the program ended"
tv_finish
