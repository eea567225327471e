#!/usr/bin/env bash
# The overlay and the screen under it. A change of resolution while the
# overlay shows (the display settings changed: the system tells every
# window) closes it as Escape does, and each show covers the screen as it
# is then, also after the X screen itself changed its size (xrandr, as when
# a projector is plugged in; Wine tells no window of that, so only the next
# show can follow it). And when the hidden palette's pixels stay on the
# screen (a program under it that is slow to paint), the overlay still
# shows the screen, not an empty grey window.
# e2e-limit: 150
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

W="$TAVRIN_SCREEN_WIDTH" H="$TAVRIN_SCREEN_HEIGHT"
# The display goes back to its own size whatever happens here.
trap 'xrandr --output screen --mode "${W}x$H" >/dev/null 2>&1; tv_cleanup' EXIT

tv_target "Probe Target" 60 40 700 560
tv_start_with_port ""
xdotool mousemove 900 700
sleep 0.5
known="$(tv_screenshot overlay_screen-known)"

overlay_covers() {  # description, w, h
  local o
  o="$(probe wait-visible TForm_Draw 5000)" || { fail "$1: no overlay shows"; return 1; }
  check_eq "$1: the overlay covers the screen" "0 0 $2 $3" \
    "$(field "$o" x) $(field "$o" y) $(field "$o" w) $(field "$o" h)"
}
overlay_closes() {  # description
  if probe wait-hidden TForm_Draw 5000 >/dev/null; then pass "$1"; else fail "$1"; fi
}
wine_screen_is() {  # w, h: waits until Wine reports that size
  local end=$((SECONDS + 10))
  until probe screen | grep -q "^width=$1 height=$2 "; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.2
  done
}

# 'B' is bound to the first overlay effect (Mark) by default.
tv_send "key B"
overlay_covers "key B" "$W" "$H"
probe display 800 600 >/dev/null || die "the display would not take 800 by 600"
overlay_closes "a smaller resolution closes the overlay"
tv_send "key B"
overlay_covers "key B at 800 by 600" 800 600
probe display "$W" "$H" >/dev/null || die "the display would not go back to $W by $H"
overlay_closes "a larger resolution closes the overlay"
tv_send "key B"
overlay_covers "key B at $W by $H again" "$W" "$H"
tv_send "key B"
overlay_closes "the same key closes it"

xrandr --output screen --mode 800x600 || die "xrandr could not change the screen"
wine_screen_is 800 600 || die "Wine did not follow the X screen to 800 by 600"
tv_send "key B"
overlay_covers "key B after the X screen shrank" 800 600
tv_send "key B"
overlay_closes "the same key closes it at 800 by 600"
xrandr --output screen --mode "${W}x$H" || die "xrandr could not restore the screen"
wine_screen_is "$W" "$H" || die "Wine did not follow the X screen back"
tv_send "key B"
overlay_covers "key B after the X screen grew" "$W" "$H"
tv_send "key B"
overlay_closes "the same key closes it again"

# The palette expanded, and under it a window that goes on showing the
# palette's pixels when the palette is hidden.
main="$(tv_expand_palette)" || die "the palette did not expand"
px="$(field "$main" x)" py="$(field "$main" y)" pw="$(field "$main" w)" ph="$(field "$main" h)"
sleep 0.5
n=${#TV_PIDS[@]}
"$WINE" "$WINPROBE" mirror "$px" "$py" "$pw" "$ph" 60000 </dev/null >"$TV_WORK/mirror-$n.log" 2>&1 &
TV_PIDS+=("$!")
tv_wait_line "$TV_WORK/mirror-$n.log" '^ready ' 20 >/dev/null || die "the mirror window did not open"
sleep 0.5
palette="$(tv_screenshot overlay_screen-palette)"
tv_send "key B"
overlay_covers "key B over a lingering palette" "$W" "$H"
sleep 0.5
shot="$(tv_screenshot overlay_screen-lingering)"
area=$((pw * ph))
off="$(tv_pixels_differ "$palette" "$shot" "$px" "$py" "$pw" "$ph")"
check "the overlay shows this show's screen: where the palette stood, what showed there ($off pixels off)" \
  test "$off" -le $((area / 100))
off="$(tv_pixels_differ "$known" "$shot" 0 0 "$W" "$H")"
check "beside it the overlay shows the screen, not an empty window ($off pixels off)" \
  test "$off" -le $((area + W * H / 100))
tv_send "key B"
overlay_closes "the same key closes it"
check "the program still runs" tv_running "$TV_PID"
tv_finish
