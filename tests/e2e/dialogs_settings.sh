#!/usr/bin/env bash
# The settings dialog driven by the pointer and the keyboard: Tab and
# Shift+Tab walk its controls in the designed order (the tab row, the
# page's controls from the top left, OK, Exit, Cancle), and an arrow key
# chooses in a group of style buttons; a colour chosen in the system's
# colour chooser (the dialog's own: above it where they overlap, the
# dialog disabled behind it) and a zoom factor chosen in its list reach
# the registry on OK (text typed over the list's choice after it chooses
# nothing and changes nothing), and nothing else changes there; a letter
# typed into the minutes shows the conversion's error box, the dialog's
# own likewise, after which the keyboard is back in the field; a chosen
# break sound whose name is too long for the settings is refused in a box
# of the dialog's, the field keeping its name; a Cancle
# after typing into the text fields leaves the registry as it was, byte
# for byte, and the next showing shows the stored values again.
# e2e-limit: 180
. "$(dirname "$0")/lib.sh"
tv_hold_session

tv_start_with_port Com2
dialog=""
# A box or chooser opened from the dialog belongs to it: above it (on top
# as the dialog is), the dialog disabled behind it.
owned_by_dialog() {  # what, hwnd
  local s
  s="$(probe window-ties "$2")"
  check_eq "$1 belongs to the settings dialog" "$dh" "$(field "$s" owner)"
  check_eq "$1 stays on top as the dialog does" 1 "$(field "$s" topmost)"
  check_eq "$1 stands above the dialog" 1 "$(probe above "$2" "$dh")"
  check_eq "the dialog is disabled while $1 is up" 0 "$(field "$(probe window-ties "$dh")" enabled)"
}
# Once it is gone, the dialog takes the pointer and the keyboard again.
back_in_front() {  # what
  check_eq "after $1 the dialog is enabled and in front" "1 1" \
    "$(field "$(probe window-ties "$dh")" enabled) $(field "$(probe window-state "$dh")" foreground)"
}
open_settings() {  # description
  tv_tray_command 3
  dialog="$(tv_wait_shown TForm_Seeting 359 267 10)" || die "$1: the tray menu showed no settings dialog"
  dx="$(field "$dialog" x)" dy="$(field "$dialog" y)" dh="$(field "$dialog" hwnd)"
  tv_settings_tabs "$dh" || die "the settings dialog has no page control"
}
goto_tab() {  # n
  local end=$((SECONDS + 30))
  while [ "$(tv_current_tab)" -lt "$1" ]; do
    tv_goto_next_tab || { fail "could not reach page $1 by its tabs"; return 1; }
    [ "$SECONDS" -lt "$end" ] || return 1
  done
}

# The control that has the focus as "class:text", the class being that of
# the dialog's own child (a list's text part counts as the list).
# A button that shows a picture (BS_ICON or BS_BITMAP) is named "<picture>".
focused() {
  local f cls text
  f="$(probe focus "$dh")"
  cls="$(field "$f" control-class)" text="$(field "$f" caption)"
  if [ "$cls" = Button ] && (($(field "$f" style) & 0xC0)); then text="<picture>"; fi
  printf '%s:%s' "$cls" "$text"
}
# Presses Tab (or Shift+Tab with "back") n times and lists the focus after
# each press, separated by " > ".
walk() {  # n, [back]
  local i out=""
  for ((i = 0; i < $1; i++)); do
    if [ "${2:-}" = back ]; then probe chord 0x10 0x09; else probe key 0x09; fi
    sleep 0.15
    out+="${out:+ > }$(focused)"
  done
  printf '%s' "$out"
}
# Puts the focus on the tab row by a click on the chosen tab.
focus_tab_row() {
  local tx ty
  tx="$(field "$TV_TABS" x)" ty="$(field "$TV_TABS" y)"
  # The chosen tab is the one whose top edge stands 3 rows below the row's
  # top; it is clicked at its middle.
  local l r before ax
  before="$(tv_current_tab)" ax="$(field "$TV_TAB_ARROWS" x)"
  read -r l r <<<"$(tv_chosen_tab_span "$tx" "$ty" "$ax")"
  [ -n "$r" ] || { fail "no chosen tab seen in the tab row"; return 1; }
  xdotool mousemove $(((l + r) / 2)) $((ty + 12)) click 1
  sleep 0.2
  [ "$(tv_current_tab)" = "$before" ] || fail "the click meant for the chosen tab chose another one"
  [ "$(focused)" = "SysTabControl32:" ] || fail "a click on the chosen tab did not focus the tab row ($(focused))"
}

open_settings "first showing"
buttons="Button:OK > Button:Exit > Button:Cancle"
back_buttons="Button:Cancle > Button:Exit > Button:OK"

# --- Tab order -------------------------------------------------------------------
# The first page: its three style buttons are one stop, at the checked one.
focus_tab_row
check_eq "Tab order on the Mark page" "Button:1 > $buttons > SysTabControl32:" "$(walk 5)"
check_eq "Shift+Tab order on the Mark page" "$back_buttons > Button:1 > SysTabControl32:" "$(walk 5 back)"
# An arrow key in the group checks the next button as a click would: the
# choice is made (and stored by the OK below).
probe key 0x09
probe key 0x27  # Right
sleep 0.2
check_eq "the right arrow moves the focus to the next style button" "Button:2" "$(focused)"
mark2="$(probe children "$dh" | grep ' class=Button ' | grep ' visible=1 ' | grep -m 1 ' caption=2$')"
check_eq "the right arrow checks it" 1 "$(probe send "$(field "$mark2" hwnd)" 0x00F0)"  # BM_GETCHECK
goto_tab 1
focus_tab_row
check_eq "Tab order on the Reveal page" "Button:1 > Button:Color > $buttons > SysTabControl32:" "$(walk 6)"

# --- a colour through the system's chooser, and the zoom list -------------------
# The dialog, dragged by its caption strip to the top left, lies where the
# chooser opens: the chooser must still show above it, though the dialog
# stays on top of other windows.
tv_drag $((dx + 100)) $((dy + 15)) $((40 - dx)) $((20 - dy))
moved="$(probe find-window TForm_Seeting)"
check_eq "dragging the settings dialog's caption moves it by the pointer's motion" "40 20" \
  "$(field "$moved" x) $(field "$moved" y)"
dx="$(field "$moved" x)" dy="$(field "$moved" y)"
tv_settings_tabs "$dh"
# The Reveal page's "Color" button, at 88,114 of the page (100,180 of the
# dialog), 75 by 25.
xdotool mousemove $((dx + 137)) $((dy + 192)) click 1
chooser="$(probe wait-visible '#32770' 8000 Color)" || die "the Color button opened no colour chooser"
pass "the Color button opens the system's colour chooser"
ch="$(field "$chooser" hwnd)"
owned_by_dialog "the colour chooser" "$ch"
kids="$(probe children "$ch")"
# The basic colours: an 8 by 6 grid in the chooser's control 720; the cell
# in row 4, column 7 is clicked and its colour read off the screen.
box="$(grep -m 1 ' id=720 ' <<<"$kids")"
ok="$(grep -m 1 ' id=1 .*class=Button' <<<"$kids")"
if [ -z "$box" ] || [ -z "$ok" ]; then die "the colour chooser has no basic colours or no OK button"; fi
bx="$(field "$box" x)" by="$(field "$box" y)" bw="$(field "$box" w)" bh="$(field "$box" h)"
cx=$((bx + bw * 6 / 8 + bw / 16)) cy=$((by + bh * 3 / 6 + bh / 12))
rgb="$(convert "$(tv_settled_screenshot dialogs-chooser "$bx" "$by" "$bw" "$bh")" -crop "1x1+$cx+$cy" -depth 8 txt:- |
  sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tail -n 1)"
[ -n "$rgb" ] || die "could not read the basic colour's cell"
# Where chooser and dialog overlap, the screen shows the chooser: its
# second row of basic colours begins with pure red.
check_eq "the colour chooser shows above the settings dialog" FF0000 \
  "$(convert "$TV_ARTIFACTS/dialogs-chooser.png" -crop "1x1+$((bx + bw / 16))+$((by + bh / 6 + bh / 12))" -depth 8 txt:- |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tail -n 1)"
log "chooser at $(field "$chooser" x),$(field "$chooser" y), dialog at $dx,$dy"
bgr=$(printf '0x%02x%02x%02x' $((16#${rgb:4:2})) $((16#${rgb:2:2})) $((16#${rgb:0:2})))
log "basic colour at $cx,$cy: #$rgb, stored as $bgr"
[ "$((bgr))" != $((0xFF0000)) ] || die "the chosen cell holds the default Reveal colour: the test proves nothing"
xdotool mousemove "$cx" "$cy" click 1
sleep 0.3
xdotool mousemove $(($(field "$ok" x) + $(field "$ok" w) / 2)) $(($(field "$ok" y) + 11)) click 1
probe wait-gone '#32770' 5000 Color >/dev/null || fail "the chooser's OK did not close it"
back_in_front "the colour chooser"
# The preview at 16,118 of the page shows the colour at once.
check_eq "the Reveal preview shows the chosen colour" "$rgb" \
  "$(convert "$(tv_settled_screenshot dialogs-preview "$dx" "$dy" 359 267)" \
    -crop "1x1+$((dx + 12 + 16 + 30))+$((dy + 66 + 118 + 10))" -depth 8 txt:- |
    sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tail -n 1)"

goto_tab 3  # Zoom
# The page's windows show as the program handles the tab's change, a moment
# after the tab row reports it.
for _ in $(seq 20); do
  zoom="$(probe children "$dh" | grep ' class=ComboBox ' | grep ' visible=1 ' | head -n 1)"
  [ -z "$zoom" ] || break
  sleep 0.1
done
[ -n "$zoom" ] || die "the Zoom page shows no list"
zx="$(field "$zoom" x)" zy="$(field "$zoom" y)" zw="$(field "$zoom" w)" zh="$(field "$zoom" h)"
xdotool mousemove $((zx + zw - 8)) $((zy + zh / 2)) click 1  # its arrow
drop="$(probe wait-visible ComboLBox 5000)" || die "the zoom list did not drop down"
item_h="$(probe send "$(field "$drop" hwnd)" 0x01A1 0)"  # LB_GETITEMHEIGHT
# "8x" is the fourth item.
xdotool mousemove $((zx + 20)) $(($(field "$drop" y) + 1 + item_h * 3 + item_h / 2))
sleep 0.2
xdotool click 1
probe wait-hidden ComboLBox 5000 >/dev/null || fail "the zoom list stayed down after a click on an item"
check_eq "the zoom list shows the chosen item" "8x" "$(probe window-text "$(field "$zoom" hwnd)")"
# Text typed over it chooses no item; the factor stays 8 (the OK below).
# The click on the arrow left the keyboard in the list's field. (No click on
# the field here: the pointer's click and the injected keys reach the program
# by different ways, and a click that came after the keys chose all the text.)
for _ in $(seq 50); do
  probe focus "$dh" | grep -q " class=Edit caption=8x$" && break
  sleep 0.1
done
probe key 0x24         # Home
probe chord 0x10 0x23  # Shift+End
probe key 0x33         # "3"
probe key 0x58         # "x"
typed=""
for _ in $(seq 30); do
  typed="$(probe window-text "$(field "$zoom" hwnd)")"
  [ "$typed" != "3x" ] || break
  sleep 0.1
done
check_eq "text typed into the zoom list stands in its field" "3x" "$typed"
check_eq "text typed into the zoom list leaves no item chosen" -1 \
  "$(probe send "$(field "$zoom" hwnd)" 0x0147)"  # CB_GETCURSEL

# OK, at 168,232 of the dialog.
xdotool mousemove $((dx + 196)) $((dy + 244)) click 1
probe wait-hidden TForm_Seeting 5000 >/dev/null || fail "OK did not close the settings dialog"
tv_reg_values >"$TV_WORK/after-ok.txt" || die "the settings key is gone after OK"
{
  tv_reg_defaults_with "Reveal Color" "$(printf 0x%08x "$bgr")" "ZoomX" 0x00000008 "Mark Choice" 0x00000001
  tv_reg_hotkeys  # OK stores the Keys page too
} | LC_ALL=C sort >"$TV_WORK/expected-ok.txt"
if diff -u "$TV_WORK/expected-ok.txt" "$TV_WORK/after-ok.txt" >"$TV_WORK/ok.diff"; then
  pass "OK stored the chosen colour, zoom factor and mark and changed nothing else"
else
  fail "after OK the key holds other values than expected:"
  tv_show_diff "$TV_WORK/ok.diff" >&2
fi

# --- Cancle after typing -----------------------------------------------------------
open_settings "second showing"
check_eq "the dialog opens on the page last chosen" 3 "$(tv_current_tab)"
goto_tab 8  # Break Time
focus_tab_row
# The up-down beside the minutes is no stop of its own.
check_eq "Tab order on the Break Time page" \
  "Edit:10 > Button:Background Color > Button:Font Color > Edit:canyon.mid > Button:<picture> > $buttons > SysTabControl32:" \
  "$(walk 9)"
check_eq "Shift+Tab order on the Break Time page" \
  "$back_buttons > Button:<picture> > Edit:canyon.mid > Button:Font Color > Button:Background Color > Edit:10 > SysTabControl32:" \
  "$(walk 9 back)"

export_key() { "$WINE" regedit /E "$1" "$TV_KEY_LONG" >/dev/null 2>&1 </dev/null; }
export_key "$TV_WORK/before-cancel.reg"
edits="$(probe children "$dh" | grep ' class=Edit ' | grep ' visible=1 ')"
minutes="$(grep -m 1 ' caption=10$' <<<"$edits")"
sound="$(grep -m 1 ' caption=canyon.mid$' <<<"$edits")"
if [ -z "$minutes" ] || [ -z "$sound" ]; then die "the Break Time page shows no minutes or sound field"; fi
type_into() {  # probe line of the field, keys (virtual key codes) to type after selecting all
  xdotool mousemove $(($(field "$1" x) + 10)) $(($(field "$1" y) + $(field "$1" h) / 2)) click 1
  sleep 0.2
  probe key 0x24          # Home
  probe chord 0x10 0x23   # Shift+End: all of it
  local k
  for k in "${@:2}"; do probe key "$k"; done
  sleep 0.2
}
# A letter in the minutes: the conversion's error box, the dialog's own.
type_into "$minutes" 0x41                # "a"
if box="$(probe messagebox '*' 5000)"; then
  check_eq "a letter in the minutes shows the conversion's error" "'a' is not a valid integer value" \
    "$(sed -n 's/^text=//p' <<<"$box")"
  owned_by_dialog "the error box" "$(sed -n 's/^hwnd=//p' <<<"$box")"
  probe messagebox '*' 1000 --dismiss >/dev/null || fail "the error box did not close on OK"
  back_in_front "the error box"
  check_eq "after the error box the keyboard is in the minutes again" "Edit:a" "$(focused)"
else
  fail "a letter in the minutes showed no error box"
fi
type_into "$minutes" 0x32 0x30           # "20"

# A break sound chosen whose full name is longer than the 254 characters the
# settings keep: a box says so, the dialog's own, and the field keeps its name.
long_dir="$TV_WORK/long-names"
mkdir -p "$long_dir"
long_win="$(tv_winpath "$long_dir")\\"
long_file="$(printf 'b%.0s' $(seq $((257 - ${#long_win} - 4)))).mid"
: >"$long_dir/$long_file"
long_win+="$long_file"
xdotool mousemove $((dx + 328)) $((dy + 166)) click 1  # the browse button, at 304,88 of the page
if chooser="$(probe wait-visible '#32770' 8000 Open)"; then
  name_box="$(probe children "$(field "$chooser" hwnd)" | grep -m 1 ' id=1148 ')"
  open_button="$(probe children "$(field "$chooser" hwnd)" | grep -m 1 ' id=1 .*class=Button')"
  probe set-text "$(field "$name_box" hwnd)" "$long_win" || fail "could not name the file in the chooser"
  probe send "$(field "$open_button" hwnd)" 0x00F5 >/dev/null || true  # BM_CLICK
  if box="$(probe messagebox '*' 8000)"; then
    check_eq "a chosen name longer than the settings keep is refused in a box" \
      "The name of the chosen file is ${#long_win} characters long;" \
      "$(sed -n 's/^text=\(.*characters long;\).*/\1/p' <<<"$box")"
    tv_screenshot dialogs-long-name >/dev/null
    owned_by_dialog "the long name's box" "$(sed -n 's/^hwnd=//p' <<<"$box")"
    probe messagebox '*' 1000 --dismiss >/dev/null || fail "the long name's box did not close on OK"
    back_in_front "the long name's box"
  else
    fail "a chosen name of ${#long_win} characters showed no box"
    probe wait-gone '#32770' 1000 Open >/dev/null || probe messagebox '*' 1000 --dismiss >/dev/null
  fi
  check_eq "the break sound field keeps its name after the long one" canyon.mid \
    "$(probe window-text "$(field "$sound" hwnd)")"
else
  fail "the break sound's browse button opened no file chooser"
fi
type_into "$sound" 0x4E 0x4F 0x4E 0x45   # "none": the letter keys without Shift
check_eq "the minutes field holds what was typed" 20 "$(probe window-text "$(field "$minutes" hwnd)")"
check_eq "the sound field holds what was typed" none "$(probe window-text "$(field "$sound" hwnd)")"
# Cancle, at 296,232.
xdotool mousemove $((dx + 324)) $((dy + 244)) click 1
probe wait-hidden TForm_Seeting 5000 >/dev/null || fail "Cancle did not close the settings dialog"
export_key "$TV_WORK/after-cancel.reg"
if cmp -s "$TV_WORK/before-cancel.reg" "$TV_WORK/after-cancel.reg"; then
  pass "Cancle after typing leaves the registry byte for byte as it was"
else
  fail "Cancle after typing changed the registry: $(diff <(iconv -f UTF-16 -t UTF-8 "$TV_WORK/before-cancel.reg") \
    <(iconv -f UTF-16 -t UTF-8 "$TV_WORK/after-cancel.reg") | tr '\n' ' ')"
fi
open_settings "third showing"
check_eq "the next showing shows the stored minutes again" 10 "$(probe window-text "$(field "$minutes" hwnd)")"
check_eq "the next showing shows the stored break sound again" canyon.mid "$(probe window-text "$(field "$sound" hwnd)")"
xdotool mousemove $((dx + 260)) $((dy + 244)) click 1  # Exit
probe wait-hidden TForm_Seeting 5000 >/dev/null || fail "Exit did not close the settings dialog"

check "the program still runs" tv_running "$TV_PID"
tv_finish
