#!/usr/bin/env bash
# Two monitors: a 1920 by 1080 primary and a 1280 by 1024 monitor to its
# right, on one wide X screen of their own (Wine reads the layout from the
# stand-in Xinerama library with its XRandR use off, in a prefix of this
# test's own). Spot Light, Zoom and the break screen opened with the pointer
# on the second monitor cover that monitor and leave the primary as it was,
# and the other way round; Cursor Reset on the second monitor puts the
# pointer at its centre. The platform's contract of the monitors holds here.
# e2e-limit: 240
# e2e-needs: receiver
# e2e-needs: fakexinerama
. "$(dirname "$0")/lib.sh"
: "${FAKE_XINERAMA:?FAKE_XINERAMA must name the stand-in libXinerama.so.1}"

suite="$TAVRIN_WINE_SUITE"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
own="$suite/monitors"
mkdir -p "$own"
P=(0 0 1920 1080) S=(1920 0 1280 1024)

# The display: the fixture's cleanup ends it too, should this test not.
setsid Xvfb -displayfd 3 -screen 0 3200x1080x24 -noreset -nolisten tcp \
  3>"$own/display" </dev/null >"$own/xvfb.log" 2>&1 &
xvfb=$!
echo "$xvfb" >"$suite/pids/xvfb-monitors"
end=$((SECONDS + 20))
until grep -q '[0-9]' "$own/display"; do
  [ "$SECONDS" -lt "$end" ] || die "the wide Xvfb did not start"
  sleep 0.1
done
export DISPLAY=":$(tr -dc 0-9 <"$own/display")"
xsetroot -solid '#3a6ea5'

# The prefix, with the suite's COM2 behind its COM2; made once per suite.
export WINEPREFIX="$own/prefix"
export LD_LIBRARY_PATH="$(dirname "$FAKE_XINERAMA")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export TAVRIN_XINERAMA_HEADS="1920x1080+0+0,1280x1024+1920+0"
trap 'tv_cleanup; "$WINESERVER" -k 2>/dev/null; timeout 20 "$WINESERVER" -w; kill "$xvfb" 2>/dev/null' EXIT
# shellcheck source=tests/wine/prefix.sh
. "$here/../wine/prefix.sh"
tavrin_prefix_prepare "$own/prefix.log" "" "$suite/com2.dev" || die "the prefix could not be made"
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f \
  >/dev/null 2>&1 </dev/null || die "could not turn Wine's XRandR use off"
"$WINESERVER" -w  # the next server reads the monitors afresh
tv_hold_session

check_eq "Wine sees both monitors" "0 0 1920 1080 primary|1920 0 1280 1024" \
  "$(probe monitors | paste -sd '|')"
# The simulated machine's monitors are held to these two.
if [ -n "${CONTRACT_EXE:-}" ]; then
  check "the monitors' contract holds for two monitors" \
    "$WINE" "$CONTRACT_EXE" --gtest_filter='Layouts/MonitorContract.*' \
    </dev/null >"$TV_WORK/contract.log" 2>&1
fi

# Slot 0 (key B) the break screen, slot 1 (key C) Cursor Reset; Spot Light
# is on key G and Zoom on key K by default.
tv_reg_defaults_with "0" 12 "1" 14 | tv_reg_write || die "could not write the settings key"
tv_start
main="$(tv_wait_main 30)" || die "no main window within 30 s"
# The palette on the primary hides for every show: its place may change.
palette=$(($(field "$main" w) * $(field "$main" h)))
tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"
# Something to see on each monitor, away from the palette.
tv_target "Primary Target" 300 500 500 300
tv_target "Second Target" 2300 300 500 300
sleep 0.5
before="$(tv_screenshot monitors-before)"

# Puts the pointer at x,y, for X and for Wine, and waits until it stays
# there: Wine takes the X pointer's place from the events of a window that
# was just hidden under it, and X's pointer does not follow Wine's.
place_pointer() {  # x, y
  local end=$((SECONDS + 10)) steady=0 at
  xdotool mousemove "$1" "$2"
  while [ "$steady" -lt 2 ]; do
    [ "$SECONDS" -lt "$end" ] || die "the pointer would not stay at $1,$2"
    at="$(probe getcursor)"
    if [ "$at" = "$1 $2" ]; then
      steady=$((steady + 1))
    else
      [ "$steady" -eq 0 ] || log "the pointer went back to $at"
      steady=0
      probe setcursor "$1" "$2" >/dev/null
    fi
    sleep 0.3
  done
}

# Opens an effect with the pointer at x,y, checks that it covers the monitor
# there and nothing of the other, and closes it with the same key.
cover() {  # key, name, x, y, this monitor (4), other monitor (4)
  local key="$1" name="$2" x="$3" y="$4" o shot off
  local this=("${@:5:4}") other=("${@:9:4}")
  place_pointer "$x" "$y"
  tv_send "key $key"
  o="$(probe wait-visible TForm_Draw 5000)" || { fail "$name at $x,$y: no overlay shows"; return; }
  check_eq "$name at $x,$y covers its monitor" "${this[*]}" \
    "$(field "$o" x) $(field "$o" y) $(field "$o" w) $(field "$o" h)"
  # The first frame reaches the screen in its own time: wait until it has.
  local end=$((SECONDS + 10))
  while :; do
    shot="$(tv_screenshot "monitors-$name-$x")"
    off="$(tv_pixels_differ "$before" "$shot" "${this[@]}")"
    [ "$off" -lt $((this[2] * this[3] / 20)) ] || break
    [ "$SECONDS" -lt "$end" ] || break
    sleep 0.2
  done
  check "$name at $x,$y shows on its monitor ($off pixels changed)" \
    test "$off" -ge $((this[2] * this[3] / 20))
  off="$(tv_pixels_differ "$before" "$shot" "${other[@]}")"
  check "$name at $x,$y leaves the other monitor as it was ($off pixels changed)" \
    test "$off" -le $((palette + 1000))
  tv_send "key $key"
  probe wait-hidden TForm_Draw 8000 >/dev/null || fail "$name: the same key does not close it"
}

for k in G:spotlight K:zoom B:break; do
  cover "${k%%:*}" "${k#*:}" 2520 400 "${S[@]}" "${P[@]}"
  cover "${k%%:*}" "${k#*:}" 400 300 "${P[@]}" "${S[@]}"
done

place_pointer 3000 900
tv_send "key C"
check_eq "Cursor Reset on the second monitor centres the pointer there" "2560 512" \
  "$(probe wait-cursor 2560 512 5000)"
place_pointer 100 900
tv_send "key C"
check_eq "Cursor Reset on the primary centres the pointer there" "960 540" \
  "$(probe wait-cursor 960 540 5000)"

check "the program still runs" tv_running "$TV_PID"
tv_finish
