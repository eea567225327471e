#!/usr/bin/env bash
# Ctrl+S and Ctrl+C on the overlay: two marks stamped with the device, the
# second taken back with Ctrl+Z, then the keys pressed as a presenter
# presses them. The PNG in the user's pictures holds exactly what the
# overlay showed (pixel for pixel against a screenshot of it), a second save
# in the same second gets its own name, the overlay stays, and another
# program that pastes the copy (as a DIB and as a bitmap) shows exactly the
# saved pixels. Then Pen: two strokes, the second taken back, Ctrl+S: the
# PNG is the screen as the first stroke left it.
# e2e-limit: 150
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

W="$TAVRIN_SCREEN_WIDTH" H="$TAVRIN_SCREEN_HEIGHT"
# Wine names the user's folder after the Unix user; its Pictures may be a
# link into the home folder.
pictures="$WINEPREFIX/drive_c/users/$(id -un)/Pictures"
folder="$(readlink -f "$pictures")/Tavrin"
log "saves go to $folder"
rm -rf "$folder"

# Pixels that differ between two pictures.
differ() { compare -metric AE "$1" "$2" null: 2>&1 | awk 'NR == 1 {print int($1)}'; }
# Waits (5 s at most) until the screen is the picture given; prints how
# many pixels still differ.
screen_becomes() {  # name, picture
  local shot n end=$((SECONDS + 5))
  while :; do
    shot="$(tv_screenshot "$1")"
    n="$(differ "$shot" "$2")"
    [ "${n:-1}" != 0 ] && [ "$SECONDS" -lt "$end" ] || break
    sleep 0.2
  done
  echo "${n:-?}"
}
# A screenshot once the screen holds still and differs from the picture
# given (the step has reached it); at most about 5 s.
drawn() {  # name, picture before
  local a="$TV_ARTIFACTS/$1.png" b="$TV_WORK/$1-again.png" end=$((SECONDS + 5))
  while :; do
    import -window root "$a" 2>/dev/null
    sleep 0.2
    import -window root "$b" 2>/dev/null
    [ "$(differ "$a" "$b")" = 0 ] && [ "$(differ "$a" "$2")" != 0 ] && break
    [ "$SECONDS" -lt "$end" ] || break
  done
  echo "$a"
}

# Something to save: a window of four coloured quadrants under the overlay.
tv_target "Probe Target" 60 40 700 560
tv_start_with_port ""
tv_point_to 300 250 >/dev/null 2>&1 || probe setcursor 300 250 >/dev/null

tv_send "key B"  # Mark, by default
o="$(probe wait-visible TForm_Draw 5000)" || die "no overlay shows"
hwnd="$(field "$o" hwnd)"
bare="$(tv_screenshot snapshot-bare)"
tv_send "move 40 30; pause 150; click; pause 150"

# The keys go to the window with the keyboard focus: the overlay's, as it
# shows in front.
fg="$(probe foreground)"
check_eq "the overlay is in front" "$hwnd" "$(field "$fg" hwnd)"
focus="$(probe focus "$hwnd")"
log "focus of the overlay's thread: $focus"
check_eq "the overlay has its thread's keyboard focus" "$hwnd" "$(field "$focus" hwnd)"
# Without a window manager X's focus follows the pointer (PointerRoot), and
# Wine takes keys only into a window X has focused.
xwin="$(xdotool search --name '^Form_Draw$' | head -n 1)"
[ -n "$xwin" ] || die "no X window for the overlay"
log "X's focus before: $(xdotool getwindowfocus 2>/dev/null || echo none)"
timeout 5 xdotool windowfocus --sync "$xwin" || true
check_eq "the overlay's X window has X's keyboard focus" "$xwin" "$(xdotool getwindowfocus 2>/dev/null)"

# A second mark, taken back with Ctrl+Z: what is saved below holds exactly
# the first.
one="$(drawn snapshot-one-mark "$bare")"
tv_send "move 60 40; pause 150; click; pause 150"
two="$(drawn snapshot-two-marks "$one")"
check "the second mark shows" test "$(differ "$one" "$two")" -gt 40
timeout 5 xdotool key ctrl+z
check_eq "Ctrl+Z leaves exactly the first mark" 0 "$(screen_becomes snapshot-shown "$one")"
shown="$TV_ARTIFACTS/snapshot-shown.png"
timeout 5 xdotool key ctrl+s
end=$((SECONDS + 10))
until compgen -G "$folder/*.png" >/dev/null || [ "$SECONDS" -ge "$end" ]; do sleep 0.2; done
# The second in the same second, most of the time; either way a new file.
timeout 5 xdotool key ctrl+s
end=$((SECONDS + 10))
until [ "$(compgen -G "$folder/*.png" | wc -l)" -ge 2 ] || [ "$SECONDS" -ge "$end" ]; do sleep 0.2; done
mapfile -t files < <(cd "$folder" 2>/dev/null && ls -1 -- *.png)
log "saved: ${files[*]}"
check_eq "two saves, two files" 2 "${#files[@]}"
# Both in one second: the second save is "... (2).png".
for f in "${files[@]}"; do
  check "$f is named with the date and time" \
    bash -c '[[ "$1" =~ ^Tavrin\ [0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}-[0-9]{2}-[0-9]{2}(\ \(2\))?\.png$ ]]' _ "$f"
done
if [ "${#files[@]}" -ge 1 ]; then
  file="$folder/${files[-1]}"
  check_eq "the PNG is the screen's size" "$W $H" "$(identify -format '%w %h' "$file")"
  off="$(compare -metric AE "$shown" "$file" null: 2>&1 | cut -d' ' -f1)"
  check_eq "the PNG holds every pixel the overlay showed" 0 "$off"
  [ "$off" = 0 ] || compare "$shown" "$file" "$TV_ARTIFACTS/snapshot-diff.png" 2>/dev/null
  mark="$(convert "$file" -crop 32x32+340+280 -fill black +opaque '#ff0000' -format '%[fx:mean*w*h]' info:)"
  check "the mark is in it ($mark red pixels)" test "${mark%.*}" -gt 40
fi
o="$(probe find-window TForm_Draw)"
check_eq "the overlay still shows" 1 "$(field "$o" visible)"
balloon="$(tv_screenshot snapshot-balloon)"
log "balloon screenshot: $balloon"

# Ctrl+C puts the same picture on the clipboard; the overlay stays.
timeout 5 xdotool key ctrl+c
o="$(probe find-window TForm_Draw)"
check_eq "the overlay still shows after the copy" 1 "$(field "$o" visible)"

probe key 27
probe wait-hidden TForm_Draw 5000 >/dev/null || fail "Escape did not close the overlay"

# The last balloon (the second save's) shows by the tray icon once the
# overlay, which stays on top of everything, is gone (under Wine it does not
# show above the overlay); a click on its text opens the folder in the
# shell's window.
read -r tx ty tw th <<<"$(tv_tray_geometry)"
[ -n "${th:-}" ] || die "no tray window"
bx=$((tx + 100)) by=$((ty + th + 40))
end=$((SECONDS + 10))
until [ "$(tv_pixels_differ "$TV_ARTIFACTS/snapshot-shown.png" \
  "$(tv_screenshot snapshot-after)" "$tx" $((ty + th + 20)) 300 40)" -gt 2000 ] ||
  [ "$SECONDS" -ge "$end" ]; do sleep 0.3; done
shell_windows() { probe list-windows '*' | grep 'visible=1' | grep -v 'class=TForm' | grep -i 'caption=.*Tavrin'; }
before="$(shell_windows | wc -l)"
xdotool mousemove "$bx" "$by" click 1
end=$((SECONDS + 5))
opened=""
while [ -z "$opened" ] && [ "$SECONDS" -lt "$end" ]; do
  sleep 0.5
  opened="$(shell_windows | head -n 1)"
  [ -n "$opened" ] || opened="$(pgrep -af 'Pictures.Tavrin' | grep -v -e pgrep -e snapshot.sh | head -n 1)"
done
# Measured, not held: under Wine 8 here nothing opened after the click (no
# window, no process for the folder); the native tests hold the click to
# the folder's opening.
log "windows named Tavrin before the click: $before; opened after it: ${opened:-nothing}"
tv_screenshot snapshot-folder >/dev/null
check "the program still runs" tv_running "$TV_PID"

# --- the paste: another program takes the copied picture -----------------
# A test program pastes the clipboard's picture in the format given and
# shows it pixel for pixel over the whole screen; the screen is then the
# saved PNG. The system makes CF_BITMAP from the copy's CF_DIB.
pasteprobe="$(dirname "$WINPROBE")/pasteprobe.exe"
paste_shows() {  # dib | bitmap, saved PNG
  local out="$TV_WORK/paste-$1.log" pid ready n
  "$WINE" "$pasteprobe" "$1" 0 0 60000 </dev/null >"$out" 2>&1 &
  pid=$!
  TV_PIDS+=("$pid")
  ready="$(tv_wait_line "$out" '^(ready|none) ' 20)"
  log "paste as $1: ${ready:-nothing}"
  if [ "${ready%% *}" != ready ]; then
    fail "the clipboard holds no picture as $1 after Ctrl+C"
    tv_kill "$pid"
    return
  fi
  check_eq "$1: the overlay put the picture there" "$hwnd" "$(field "$ready" owner)"
  check_eq "$1: the pasted picture is the screen's size" "$W $H" \
    "$(field "$ready" w) $(field "$ready" h)"
  n="$(screen_becomes "snapshot-paste-$1" "$2")"
  check_eq "$1: the pasted picture holds every pixel of the saved PNG" 0 "$n"
  probe send "$(field "$ready" hwnd)" 16 >/dev/null  # WM_CLOSE
  tv_wait_exit "$pid" 10 || tv_kill "$pid"
}
if [ "${#files[@]}" -ge 1 ]; then
  saved="$folder/${files[-1]}"
  check "the desktop is not the saved picture before the paste" \
    test "$(differ "$(tv_screenshot snapshot-before-paste)" "$saved")" -gt 0
  paste_shows dib "$saved"
  paste_shows bitmap "$saved"
fi

# --- Pen: two strokes, the second taken back, then saved ------------------
tv_point_to 300 250 >/dev/null 2>&1 || probe setcursor 300 250 >/dev/null
tv_send "key F"  # Pen, by default
probe wait-visible TForm_Draw 5000 >/dev/null || die "no overlay shows for Pen"
xwin="$(xdotool search --name '^Form_Draw$' | head -n 1)"
timeout 5 xdotool windowfocus --sync "$xwin" || true
pen0="$(tv_screenshot snapshot-pen-0)"
tv_send "press left; pause 150; move 120 0; pause 150; move 0 80; pause 150; release left"
pen1="$(drawn snapshot-pen-1 "$pen0")"
check "the first stroke shows ($(differ "$pen0" "$pen1") pixels)" test "$(differ "$pen0" "$pen1")" -gt 100
tv_send "move -60 -100; pause 150; press left; pause 150; move 0 120; pause 150; move 90 0; pause 150; release left"
pen2="$(drawn snapshot-pen-2 "$pen1")"
check "the second stroke shows ($(differ "$pen1" "$pen2") pixels)" test "$(differ "$pen1" "$pen2")" -gt 100
timeout 5 xdotool key ctrl+z
check_eq "Ctrl+Z leaves exactly the first stroke" 0 "$(screen_becomes snapshot-pen-undone "$pen1")"
timeout 5 xdotool key ctrl+s
end=$((SECONDS + 10))
until [ "$(compgen -G "$folder/*.png" | wc -l)" -gt "${#files[@]}" ] || [ "$SECONDS" -ge "$end" ]; do
  sleep 0.2
done
mapfile -t now < <(cd "$folder" 2>/dev/null && ls -1t -- *.png)
if [ "${#now[@]}" -gt "${#files[@]}" ]; then
  off="$(differ "$pen1" "$folder/${now[0]}")"
  check_eq "Pen's PNG holds the screen as the first stroke left it" 0 "$off"
  [ "$off" = 0 ] || compare "$pen1" "$folder/${now[0]}" "$TV_ARTIFACTS/snapshot-pen-diff.png" 2>/dev/null
else
  fail "Ctrl+S on Pen saved no file"
fi
probe key 27
probe wait-hidden TForm_Draw 5000 >/dev/null || fail "Escape did not close Pen"

check "the program still runs" tv_running "$TV_PID"
log "the test took $SECONDS s"
# Wine's Pictures may be the home folder itself: leave nothing there.
rm -rf "$folder"
tv_finish
