#!/usr/bin/env bash
# Names in any letters, on a system whose own code page (1252 here) lacks
# them: the program installed into "C:\Тест 李明" and started from another
# folder finds its cursor files beside itself (the Mark tool's pointer is
# its own); 300 Cyrillic letters typed into a settings field arrive whole
# and the field keeps 254 of them; a program and a sound file of that folder ("marker.exe",
# "звук.mid") chosen through the settings' browse buttons show in their
# fields exactly, are stored exactly, and after a new start the Execute
# Program key runs the one and the Play Sound key plays the other.
# e2e-limit: 300
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

folder_name='Тест 李明'
folder="$WINEPREFIX/drive_c/$folder_name"
win_folder="C:\\$folder_name"
rm -rf "$folder"
mkdir -p "$folder"
cp "$TAVRIN_EXE" "$folder/tavrin.exe"
for ico in Ok.ico Wrong.ico circle.ico; do
  cp "$(dirname "$TAVRIN_EXE")/$ico" "$folder/" || die "no $ico beside the built program"
done
cp "$RANPROBE" "$folder/marker.exe"
tv_write_tune "$folder/звук.mid"
program="$win_folder\\marker.exe"
sound="$win_folder\\звук.mid"

# Started from a folder without the cursor files, so only the exe's own
# folder has them.
start_installed() {
  local n=${#TV_PIDS[@]}
  (cd "$TV_WORK" && exec "$WINE" "$folder/tavrin.exe") >"$TV_WORK/tavrin-$n.log" 2>&1 </dev/null &
  TV_PID=$!
  TV_PIDS+=("$TV_PID")
  TV_AWAIT_PORT=1
  log "started $folder/tavrin.exe as PID $TV_PID"
  tv_wait_main 30 >/dev/null || die "no main window within 30 s"
  tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"
}
shape_at() {  # x, y -> the shape seen there once the pointer has settled
  probe setcursor "$1" "$2" >/dev/null || { echo "no-setcursor"; return; }
  sleep 0.3
  probe setcursor $(($1 + 1)) "$2" >/dev/null || true
  sleep 0.3
  probe cursor-shape
}
# By the keyboard: a click on the chosen tab puts the focus on the tab row,
# and each right arrow chooses the next tab. The chosen tab is the one whose
# white top edge stands 3 rows below the row's top (the row scrolls).
goto_tab() {  # n
  local tx ty ax l r i
  tx="$(field "$TV_TABS" x)" ty="$(field "$TV_TABS" y)" ax="$(field "$TV_TAB_ARROWS" x)"
  read -r l r <<<"$(tv_chosen_tab_span "$tx" "$ty" "$ax")"
  [ -n "$r" ] || { fail "no chosen tab seen in the tab row"; return 1; }
  xdotool mousemove $(((l + r) / 2)) $((ty + 12)) click 1
  sleep 0.3
  for ((i = $(tv_current_tab); i < $1; i++)); do probe key 0x27; done
  tv_wait_tab "$1" 10 || fail "page $1 not reached by the arrow keys (at $(tv_current_tab))"
}
# The page's windows show as the program handles the tab's change, a
# moment after the tab row reports it.
visible_child() {  # class, [caption]
  local line i
  for i in $(seq 30); do
    line="$(probe children "$dh" | grep " class=$1 " | grep ' visible=1 ' |
      if [ -n "${2:-}" ]; then grep -m 1 " caption=$2\$"; else head -n 1; fi)"
    [ -z "$line" ] || break
    sleep 0.1
  done
  [ -n "$line" ] || probe children "$dh" >"$TV_WORK/children-$1.txt"
  echo "$line"
}
# Chooses a file through the page's browse button and the system's chooser,
# naming it in the chooser's name box; prints the page's name field's text.
choose_file() {  # page's name, Windows path
  local browse chooser kids
  browse="$(visible_child Button Browser)"
  [ -n "$browse" ] || { fail "$1: no browse button"; return 1; }
  xdotool mousemove $(($(field "$browse" x) + 20)) $(($(field "$browse" y) + 10)) click 1
  chooser="$(probe wait-visible '#32770' 8000 Open)" || { fail "$1: no file chooser"; return 1; }
  kids="$(probe children "$(field "$chooser" hwnd)")"
  probe set-text "$(field "$(grep -m 1 ' id=1148 ' <<<"$kids")" hwnd)" "$2" ||
    fail "$1: could not name the file in the chooser"
  probe send "$(field "$(grep -m 1 ' id=1 .*class=Button' <<<"$kids")" hwnd)" 0x00F5 >/dev/null || true
  probe wait-gone '#32770' 8000 Open >/dev/null || fail "$1: the chooser did not take the name"
  probe window-text "$(field "$(visible_child Edit)" hwnd)"
}

# --- chosen in the settings, shown and stored ----------------------------------
tv_reg_defaults_with "Com Port" Com2 | tv_reg_write || die "could not write the settings key"
start_installed
tv_tray_command 3
dialog="$(tv_wait_shown TForm_Seeting 359 267 10)" || die "the tray menu showed no settings dialog"
dx="$(field "$dialog" x)" dy="$(field "$dialog" y)" dh="$(field "$dialog" hwnd)"
tv_settings_tabs "$dh" || die "the settings dialog has no page control"
arrow="$(shape_at $((dx + 100)) $((dy + 15)))"  # the caption strip: the arrow
goto_tab 7
# Letters typed beyond the code page and past the limit: each arrives whole
# through the program's message loop, and the field takes 254 of them.
typed="$(field "$(visible_child Edit)" hwnd)"
probe set-text "$typed" "" || fail "could not empty the Execute Program field"
probe type-chars "$typed" "$(printf 'ж%.0s' $(seq 300))" || fail "could not type into the field"
want="$(printf 'ж%.0s' $(seq 254))"
for _ in $(seq 50); do
  [ "$(probe window-text "$typed")" = "$want" ] && break
  sleep 0.1
done
check_eq "the Execute Program field takes 254 typed Cyrillic letters, whole" "$want" \
  "$(probe window-text "$typed")"
check_eq "the Execute Program field shows the chosen program's name exactly" "$program" \
  "$(choose_file "Execute Program" "$program")"
tv_crop_window "$(tv_settled_screenshot "$TV_TEST-shot" "$dx" "$dy" 359 267)" "$dialog" \
  "$TV_ARTIFACTS/$TV_TEST-execute.png"
goto_tab 9
check_eq "the Sound File field shows the chosen sound's name exactly" "$sound" \
  "$(choose_file "Sound File" "$sound")"
tv_crop_window "$(tv_settled_screenshot "$TV_TEST-shot" "$dx" "$dy" 359 267)" "$dialog" \
  "$TV_ARTIFACTS/$TV_TEST-sound.png"
xdotool mousemove $((dx + 196)) $((dy + 244)) click 1  # OK
probe wait-hidden TForm_Seeting 5000 >/dev/null || fail "OK did not close the settings dialog"
values="$(tv_reg_values)" || die "the settings key is gone after OK"
check_eq "OK stored the program's name exactly" "$program" \
  "$(awk -F'\t' '$2 == "Execute Name" { print $3 }' <<<"$values")"
check_eq "OK stored the sound's name exactly" "$sound" \
  "$(awk -F'\t' '$2 == "SoundName" { print $3 }' <<<"$values")"
tv_stop "$TV_PID"

# --- read back at the next start, run and played ---------------------------------
WINEDEBUG=-all,trace+mci
start_installed
WINEDEBUG=-all
trace="$TV_WORK/tavrin-$((${#TV_PIDS[@]} - 1)).log"

tv_send "key B"  # Mark
overlay="$(probe wait-visible TForm_Draw 5000)" || die "no Mark overlay shows"
mark="$(shape_at 500 400)"
log "arrow: $arrow, mark: $mark"
if [ "$mark" = hidden ] || [ "$mark" = "$arrow" ]; then
  fail "the Mark tool's pointer is not its own ($mark): its cursor files were not found beside the exe"
else
  pass "the Mark tool's cursor files are found beside the exe in \"$win_folder\""
fi
probe activate "$(field "$overlay" hwnd)" >/dev/null || true
probe key 27
probe wait-hidden TForm_Draw 5000 >/dev/null || fail "Escape did not close the Mark overlay"

tv_send "key E"
tv_wait_line "$folder/marker.exe.ran" '^ran ' 15 >/dev/null ||
  fail "'E' did not run \"$program\""
tv_send "key H"
if probe wait-visible '#32770' 3000 >/dev/null 2>&1; then
  fail "Play Sound showed a box: $(probe messagebox '*' 1000 | paste -sd' ')"
  probe messagebox '*' 2000 --dismiss >/dev/null
else
  pass "Play Sound opened \"$sound\" with no box"
fi
check_eq "Play Sound opened and played the file" "OPEN PLAY" \
  "$(sed -n 's/.*trace:mci:mciSendCommandA ([0-9a-fA-F]*, MCI_\([A-Z_]*\),.*/\1/p' "$trace" |
    grep -E '^(OPEN|PLAY|STOP|CLOSE)$' | paste -sd' ')"
check "the program still runs" tv_running "$TV_PID"
tv_finish
