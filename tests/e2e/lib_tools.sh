# shellcheck shell=bash
# The overlay's tools on the real program against the simulated machine's
# pictures. Source it after lib.sh. A test paints the screen with a known
# picture, starts the program, and then drives it in steps; each step goes
# to the real program through the receiver and is written down for the
# reference tool (tools/renderref), which later plays the same steps on the
# simulated machine over the same picture of the screen. Each tt_shot takes
# a screenshot here and names the picture the reference makes at the same
# step; tt_compare holds one to the other.
#
# The tools draw on the program's own raster, so their pixels match
# exactly; a shot may allow some pixels where a reason is given.

: "${RENDERREF:?RENDERREF must name the reference tool}"

TT_SCRIPT="$TV_WORK/reference.script"
TT_SHOTS=()
TT_ALLOW=()
TT_WHY=()
: >"$TT_SCRIPT"

# The desktop as the tests leave it for each other.
tt_restore_root() { xsetroot -solid '#3a6ea5' >/dev/null 2>&1 || true; }
trap 'tt_restore_root; tv_cleanup' EXIT

# A picture with detail everywhere: a colour gradient, a fine grid whose
# lines are one pixel wide, white panels with black writing (where the pen's
# mask shows) and small coloured squares. Set as the root window's
# background, so the overlay's capture and every screenshot start from it.
tt_paint_screen() {
  local w="$TAVRIN_SCREEN_WIDTH" h="$TAVRIN_SCREEN_HEIGHT" pic="$TV_WORK/known.png"
  local draw=() x y font="" f
  for f in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
    /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf; do
    [ -f "$f" ] && { font="$f"; break; }
  done
  for ((x = 0; x < w; x += 16)); do draw+=(-draw "line $x,0 $x,$h"); done
  for ((y = 0; y < h; y += 16)); do draw+=(-draw "line 0,$y $w,$y"); done
  convert -size "${w}x$h" gradient:'#d04020-#2050c0' -rotate 0 \
    -stroke '#f0e0a0' -strokewidth 1 "${draw[@]}" \
    -stroke none -fill white -draw 'rectangle 96,96 415,255' -draw 'rectangle 560,420 959,639' \
    -fill black ${font:+-font "$font"} -pointsize 28 -annotate +112+150 'Quarterly figures' \
    -annotate +112+200 'North 41  South 17' -annotate +576+480 'Agenda: 1. 2. 3.' \
    -annotate +576+560 'Thank you' \
    -fill '#00c000' -draw 'rectangle 700,120 731,151' -fill '#ffff00' -draw 'rectangle 760,120 791,151' \
    -fill '#000000' -draw 'rectangle 820,120 851,151' \
    -depth 8 "$pic" || die "could not make the known picture"
  # display paints the root and exits with 1 all the same: the screen says
  # whether it worked.
  display -window root "$pic" >/dev/null 2>&1 || true
  sleep 0.3
  import -window root "$TV_WORK/painted.png" 2>/dev/null
  [ "$(compare -metric AE "$pic" "$TV_WORK/painted.png" null: 2>&1 | cut -d' ' -f1)" = 0 ] ||
    die "could not paint the screen with the known picture"
}

# Starts the program with the default settings (a fresh key) and waits
# until it is up; the pointer then rests where no tip shows.
tt_start() {
  tv_start_with_port ""
  xdotool mousemove 1000 740 >/dev/null 2>&1 || true
  probe setcursor 1000 740 >/dev/null || true
  sleep 0.5
}

# The screen before the first tool shows, as the reference starts from it.
tt_capture_start() {
  local shot
  shot="$(tv_screenshot "$TV_TEST-start")"
  [ -f "$shot" ] || die "no screenshot of the start"
  convert "$shot" -depth 8 "$TV_WORK/start.ppm" || die "could not convert the start picture"
}

# The pointer to a point, as a helper outside the program puts it: Wine's
# own idea of it and X's pointer both, since the overlay that maps next
# learns where the pointer is from X.
tt_place() {  # x, y
  xdotool mousemove "$1" "$2" >/dev/null 2>&1 || true
  probe setcursor "$1" "$2" >/dev/null || fail "SetCursorPos $1,$2 failed"
  local got
  got="$(probe wait-cursor "$1" "$2" 3000)" || true
  [ "$got" = "$1 $2" ] || fail "the pointer is at '$got', not at $1 $2"
  echo "place $1 $2" >>"$TT_SCRIPT"
}

# One step through the receiver (its script on one line, ';' between
# commands; a pause ends a write). Waits until the program has had time to
# take it in.
tt_send() {  # receiver script
  tv_send "$1"
  echo "send $1" >>"$TT_SCRIPT"
  sleep 0.4
}

# A key that opens an overlay tool: waits until the overlay shows and its
# first frame (the nudge 50 ms after the show) has reached the screen.
tt_open() {  # key letter, description
  tv_send "key $1"
  echo "send key $1" >>"$TT_SCRIPT"
  probe wait-visible TForm_Draw 8000 >/dev/null || die "$2: no overlay shows for key $1"
  sleep 0.6
}

# The same key again, or Escape: the overlay goes.
tt_close_by_key() {  # key letter, description
  tv_send "key $1"
  echo "send key $1" >>"$TT_SCRIPT"
  if probe wait-hidden TForm_Draw 8000 >/dev/null; then pass "$2: its key closes it"; else
    fail "$2: its key did not close it"
  fi
  tt_wait_palette_back
}
tt_close_by_escape() {  # description
  local o
  o="$(probe find-window TForm_Draw)"
  probe activate "$(field "$o" hwnd)" >/dev/null || true
  probe key 27 >/dev/null
  echo "escape" >>"$TT_SCRIPT"
  if probe wait-hidden TForm_Draw 8000 >/dev/null; then pass "$1: Escape closes it"; else
    fail "$1: Escape did not close it"
  fi
  tt_wait_palette_back
}
# After a close the program sleeps and shows its main window again; the
# next key is only read after that.
tt_wait_palette_back() { sleep 0.8; }

# A screenshot once the screen holds still (two pictures alike), and the
# reference's picture of the same step. allow: pixels that may differ.
tt_shot() {  # name, [allowed pixels, why]
  local name="$1" a="$TV_WORK/$1.png" b="$TV_WORK/$1-again.png"
  for _ in 1 2 3 4 5; do
    import -window root "$a" 2>/dev/null || true
    sleep 0.25
    import -window root "$b" 2>/dev/null || true
    [ "$(compare -metric AE "$a" "$b" null: 2>&1 | cut -d' ' -f1)" = 0 ] && break
  done
  rm -f "$b"
  echo "shot $name" >>"$TT_SCRIPT"
  TT_SHOTS+=("$name")
  TT_ALLOW+=("${2:-0}")
  TT_WHY+=("${3:-}")
}

# Plays the steps on the simulated machine and compares every shot. A shot
# that differs leaves a picture of where (red) in the artifacts.
tt_compare() {
  local ref="$TV_WORK/reference" i name got allow
  mkdir -p "$ref"
  log "reference: $RENDERREF over $TV_WORK/start.ppm"
  if ! timeout 300 "$RENDERREF" "$TV_WORK/start.ppm" "$TT_SCRIPT" "$ref" >"$TV_WORK/renderref.log" 2>&1; then
    cat "$TV_WORK/renderref.log" >&2
    fail "the reference tool failed"
    return
  fi
  for i in "${!TT_SHOTS[@]}"; do
    name="${TT_SHOTS[$i]}" allow="${TT_ALLOW[$i]}"
    got="$(compare -metric AE "$TV_WORK/$name.png" "$ref/$name.ppm" "$TV_WORK/$name-diff.png" 2>&1 |
      awk 'NR == 1 {print int($1)}')"
    [ -n "$got" ] || got=999999999
    if [ "$got" -le "$allow" ]; then
      pass "$name: the screen is the simulated machine's picture ($got pixels differ${TT_WHY[$i]:+, ${TT_WHY[$i]}})"
      rm -f "$TV_WORK/$name-diff.png"
    else
      fail "$name: $got pixels differ from the simulated machine's picture (see $TV_WORK/$name-diff.png)"
      convert "$ref/$name.ppm" "$TV_WORK/$name-reference.png" 2>/dev/null || true
    fi
  done
}

# The screen is not the start picture in a rectangle: the tool drew there.
tt_changed() {  # description, shot name, x, y, w, h, at least
  local n
  n="$(tv_pixels_differ "$TV_WORK/$2.png" "$TV_ARTIFACTS/$TV_TEST-start.png" "$3" "$4" "$5" "$6")"
  check "$1 ($n pixels changed)" test "$n" -ge "$7"
}
