#!/usr/bin/env bash
# The configuration windows opened as a user opens them: each from the tray
# icon's menu and by its shortcut on the expanded palette. "&Settings" hides
# the palette and shows the settings dialog; "&Effect Table" and "&About"
# show theirs beside the palette. Every window is pictured (each of the
# settings dialog's eleven pages, reached by clicking its tab); the effect
# table and the about box move by exactly the pointer's motion when dragged
# by their caption strips, and the about box's OK closes it. Left open under
# another program's window, each comes up again in front by its command.
# The effect table's grey and the settings dialog's caption strip are the
# colour scheme's grey-text colour.
# e2e-limit: 180
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

# A first start: the program writes its own defaults, which the pictures show.
# shellcheck disable=SC2119  # no arguments for the program
tv_start
tv_wait_main 30 >/dev/null || die "no main window within 30 s"
tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"
palette="$(tv_expand_palette)" || die "the palette did not expand from the tray menu"
main_hwnd="$(field "$palette" hwnd)"
tv_crop_window "$(tv_settled_screenshot dialogs-palette "$(field "$palette" x)" "$(field "$palette" y)" 192 262)" \
  "$palette" "$TV_WORK/palette.png"

palette_shown() {  # description
  local m
  m="$(probe find-window TForm_Main Tavrin)"
  check_eq "$1" "1 192 262" "$(field "$m" visible) $(field "$m" w) $(field "$m" h)"
}

# A device key's effect hides every dialog: Mark's overlay from key B, then
# Escape on it, and the palette is back.
hide_by_device_key() {
  local o
  tv_send "key B"
  o="$(probe wait-visible TForm_Draw 8000)" || { fail "key B showed no overlay"; return; }
  probe activate "$(field "$o" hwnd)" >/dev/null || true
  probe key 27
  probe wait-hidden TForm_Draw 8000 >/dev/null || fail "Escape did not close the overlay"
  tv_wait_shown TForm_Main 192 262 10 Tavrin >/dev/null || fail "the palette did not come back after the overlay"
  check "the device key hid the dialogs" dialogs_hidden
}
# shellcheck disable=SC2317  # called through check
dialogs_hidden() {
  probe wait-hidden TFormAbout 1000 >/dev/null && probe wait-hidden TFormEffectTable 1000 >/dev/null
}

# A dialog left open under another program's window: its tray menu command
# brings it up again, in front (and so with the keyboard).
comes_to_front() {  # probe line of the dialog, tray menu item, what
  local hwnd x y
  hwnd="$(field "$1" hwnd)"
  x=$(($(field "$1" x) + $(field "$1" w) / 2)) y=$(($(field "$1" y) + $(field "$1" h) / 2))
  tv_target "Cover" $((x - 120)) $((y - 90)) 240 180
  check_eq "another program's window covers $3" "$TARGET_HWND" "$(field "$(probe window-at "$x" "$y")" top)"
  tv_tray_command "$2"
  sleep 0.3
  check_eq "its tray menu command brings $3 up again" "$hwnd" "$(field "$(probe window-at "$x" "$y")" top)"
  check_eq "its tray menu command puts $3 in front" 1 "$(field "$(probe window-state "$hwnd")" foreground)"
  probe send "$TARGET_HWND" 0x0010 >/dev/null || true  # WM_CLOSE
  probe wait-gone TavrinProbeTarget 5000 >/dev/null || fail "the covering window did not close"
}

# The colour the screen shows at x,y as 0xRRGGBB, once it has settled.
screen_colour() {  # name, x, y
  local shot
  shot="$(tv_settled_screenshot "$TV_TEST-$1" "$2" "$3" 1 1)"
  convert "$shot" -crop "1x1+$2+$3" -depth 8 txt:- |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/0x\1/p' | tail -n 1 | tr 'A-F' 'a-f'
}

# A point of a window shows the scheme's grey-text colour (Wine's is not
# the classic 0x808080). Wine gives a running program no colour the user
# changes afterwards (each process keeps the scheme it started with), so
# following such a change is tested natively.
in_scheme_grey() {  # what, probe line, x, y (in the window)
  check_eq "$1 is in the scheme's grey-text colour" "$(probe syscolor 17)" \
    "$(screen_colour "grey" $(($(field "$2" x) + $3)) $(($(field "$2" y) + $4)))"
}

# Pictures a window once it has painted and the screen has settled.
picture() {  # probe line, out.png
  tv_crop_window "$(tv_settled_screenshot "$TV_TEST-picture" "$(field "$1" x)" "$(field "$1" y)" \
    "$(field "$1" w)" "$(field "$1" h)")" "$1" "$2"
}

# --- the effect table -----------------------------------------------------------
tv_tray_command 4
if editor="$(tv_wait_shown TFormEffectTable 452 437 10)"; then
  pass "the tray menu's \"&Effect Table\" shows the editor"
  check_eq "the editor stands at its designed place" "316 138" "$(field "$editor" x) $(field "$editor" y)"
  palette_shown "the palette stays while the editor shows"
  picture "$editor" "$TV_WORK/effect-table.png"
  comes_to_front "$editor" 4 "the effect table"
  in_scheme_grey "the effect table's background" "$editor" 100 412
  in_scheme_grey "the rim of an effect's panel" "$editor" $((240 + 16 + 2)) $((48 + 24 + 26))
  # Its caption strip is the title picture along the top.
  ex="$(field "$editor" x)" ey="$(field "$editor" y)"
  tv_drag $((ex + 120)) $((ey + 20)) 30 10
  moved="$(probe find-window TFormEffectTable)"
  check_eq "dragging the editor's title by (30, 10) moves it by that" "$((ex + 30)) $((ey + 10))" \
    "$(field "$moved" x) $(field "$moved" y)"
  # The right button drags it as well: back by (-30, -10), then again.
  tv_drag $((ex + 150)) $((ey + 30)) -30 -10 3
  check_eq "dragging it with the right button by (-30, -10) moves it back" "$ex $ey" \
    "$(field "$(probe find-window TFormEffectTable)" x) $(field "$(probe find-window TFormEffectTable)" y)"
  tv_drag $((ex + 120)) $((ey + 20)) 30 10
  moved="$(probe find-window TFormEffectTable)"
  # Cancel, at 368,400 of the client area (no border: the window's corner).
  xdotool mousemove $(($(field "$moved" x) + 400)) $(($(field "$moved" y) + 412)) click 1
  probe wait-hidden TFormEffectTable 5000 >/dev/null || fail "the editor's Cancel did not close it"
else
  fail "the tray menu's \"&Effect Table\" showed no editor"
  hide_by_device_key
fi
tv_shortcut_on "$main_hwnd" 0x11 0x45  # Ctrl+E
if editor="$(tv_wait_shown TFormEffectTable 452 437 10)"; then
  pass "Ctrl+E on the palette shows the editor"
  check_eq "the editor keeps the place it was dragged to" "$((ex + 30)) $((ey + 10))" \
    "$(field "$editor" x) $(field "$editor" y)"
  palette_shown "the palette stays while the editor shows (Ctrl+E)"
  xdotool mousemove $(($(field "$editor" x) + 400)) $(($(field "$editor" y) + 412)) click 1
  probe wait-hidden TFormEffectTable 5000 >/dev/null || fail "the editor's Cancel did not close it"
else
  fail "Ctrl+E on the palette showed no editor"
fi

# --- the about box ------------------------------------------------------------------
about_ok() {  # description: OK at 24,160 of the box, 49 by 23
  local a
  a="$(probe find-window TFormAbout)"
  xdotool mousemove $(($(field "$a" x) + 48)) $(($(field "$a" y) + 171)) click 1
  if probe wait-hidden TFormAbout 3000 >/dev/null; then pass "$1"; else
    fail "$1: the box is still shown after a click on its OK button"
    hide_by_device_key
  fi
}
tv_tray_command 8
if about="$(tv_wait_shown TFormAbout 280 201 10)"; then
  pass "the tray menu's \"&About\" shows the about box"
  check_eq "the about box stands at its designed place" "304 205" "$(field "$about" x) $(field "$about" y)"
  palette_shown "the palette stays while the about box shows"
  picture "$about" "$TV_WORK/about.png"
  comes_to_front "$about" 8 "the about box"
  ax="$(field "$about" x)" ay="$(field "$about" y)"
  # The caption strip's drag area lies at 8,8, 265 by 17.
  tv_drag $((ax + 100)) $((ay + 15)) 30 10
  moved="$(probe find-window TFormAbout)"
  check_eq "dragging the about box's caption by (30, 10) moves it by that" \
    "$((ax + 30)) $((ay + 10))" "$(field "$moved" x) $(field "$moved" y)"
  tv_drag $((ax + 130)) $((ay + 20)) -30 -10 3
  moved="$(probe find-window TFormAbout)"
  check_eq "dragging it with the right button by (-30, -10) moves it back" "$ax $ay" \
    "$(field "$moved" x) $(field "$moved" y)"
  about_ok "the about box's OK closes it"
else
  fail "the tray menu's \"&About\" showed no about box"
fi
tv_shortcut_on "$main_hwnd" 0x11 0x41  # Ctrl+A
if about="$(tv_wait_shown TFormAbout 280 201 10)"; then
  pass "Ctrl+A on the palette shows the about box"
  palette_shown "the palette stays while the about box shows (Ctrl+A)"
  about_ok "the about box's OK closes it (opened by Ctrl+A)"
else
  fail "Ctrl+A on the palette showed no about box"
fi

# --- the settings dialog ------------------------------------------------------------
settings_opened() {  # description; sets dialog to its probe line
  local m
  dialog="$(tv_wait_shown TForm_Seeting 359 267 10)" || { fail "$1 showed no settings dialog"; return 1; }
  pass "$1 shows the settings dialog"
  m="$(probe find-window TForm_Main Tavrin)"
  check_eq "$1 hides the palette" 0 "$(field "$m" visible)"
}
closed_by() {  # description, button's x offset in the dialog (OK 168, Exit 232, Cancle 296)
  local d
  d="$(probe find-window TForm_Seeting)"
  xdotool mousemove $(($(field "$d" x) + $2 + 28)) $(($(field "$d" y) + 244)) click 1
  probe wait-hidden TForm_Seeting 5000 >/dev/null || { fail "$1 did not close the settings dialog"; return; }
  local m end=$((SECONDS + 5))
  until m="$(probe find-window TForm_Main Tavrin)"; [ "$(field "$m" visible)" = 1 ] || [ "$SECONDS" -ge "$end" ]; do
    sleep 0.1
  done
  check_eq "$1 closes the dialog and the palette comes back" "1 192 262" \
    "$(field "$m" visible) $(field "$m" w) $(field "$m" h)"
}

tabs=(mark reveal line zoom spotlight laserbeam rectangle execute breaktime sound pen keys)
tv_tray_command 3
if settings_opened "the tray menu's \"&Settings\""; then
  check_eq "the settings dialog stands at its designed place" "372 248" \
    "$(field "$dialog" x) $(field "$dialog" y)"
  in_scheme_grey "the settings dialog's caption strip" "$dialog" 10 16
  tv_settings_tabs "$(field "$dialog" hwnd)" || fail "the settings dialog has no page control"
  check_eq "the page control has twelve tabs" 12 "$(probe send "$(field "$TV_TABS" hwnd)" 0x1304)"
  check_eq "the first start shows the first page" 0 "$(tv_current_tab)"
  picture "$dialog" "$TV_WORK/settings-${tabs[0]}.png"
  for ((i = 1; i < ${#tabs[@]}; i++)); do
    if tv_goto_next_tab; then
      xdotool mousemove 1000 740
      picture "$dialog" "$TV_WORK/settings-${tabs[$i]}.png"
    else
      fail "a click on the tab after page $((i - 1)) did not show page $i"
      break
    fi
  done
  check_eq "clicking each tab in turn reached the last page" 11 "$(tv_current_tab)"
  closed_by "Exit" 232
fi
tv_shortcut_on "$main_hwnd" 0x11 0x53  # Ctrl+S
if settings_opened "Ctrl+S on the palette"; then
  check_eq "the dialog keeps the page last chosen" 11 "$(tv_current_tab)"
  closed_by "Cancle" 296
fi

check "the program still runs" tv_running "$TV_PID"
log "pictures in $TV_WORK"
tv_finish
