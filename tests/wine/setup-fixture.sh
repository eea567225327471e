#!/usr/bin/env bash
# Sets up the one Wine environment that a suite's Wine tests share:
#   setup-fixture.sh <suite-dir> [dpi]
# a virtual X display, two serial port pairs and a booted prefix, all under
# <suite-dir>, with every started process's PID recorded there so that the
# cleanup can end exactly those. With a dpi, the prefix's screen has that
# DPI (96 is 100 % scale, 144 is 150 %).
set -euo pipefail

suite="${1:?usage: setup-fixture.sh <suite-dir> [dpi]}"
dpi="${2:-}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tests/wine/prefix.sh
. "$here/prefix.sh"

# A suite left over from an interrupted run may still have processes running:
# end them before its files are removed.
if [ -f "$suite/env" ]; then
  bash "$here/cleanup-fixture.sh" "$suite" || true
fi
rm -rf "$suite"
mkdir -p "$suite/pids" "$suite/logs"
suite="$(cd "$suite" && pwd)"
log="$suite/logs/setup.log"
t0=$(date +%s%N)

need() {
  command -v "$1" >/dev/null 2>&1 || { echo "setup-fixture: '$1' is missing (run scripts/setup.sh)" >&2; exit 1; }
}
need Xvfb; need socat; need xdotool; need import; need "$WINESERVER"
[ -x "$WINE" ] || { echo "setup-fixture: $WINE is missing (run scripts/setup.sh)" >&2; exit 1; }

# Background services get their own session and no inherited output pipe:
# ctest waits for every holder of a test's output pipe to close.
start_service() {  # name, command...
  local name="$1"; shift
  setsid "$@" </dev/null >"$suite/logs/$name.log" 2>&1 &
  echo $! >"$suite/pids/$name"
}

wait_until() {  # seconds, description, test command...
  local limit="$1" what="$2"; shift 2
  local end=$((SECONDS + limit))
  until "$@"; do
    if [ "$SECONDS" -ge "$end" ]; then echo "setup-fixture: timed out waiting for $what" >&2; return 1; fi
    sleep 0.1
  done
}

# -displayfd lets the server pick a free display number itself, so parallel
# suites (or a person's own X server) never collide, and it writes the number
# only once it accepts connections. -noreset keeps its state when the last
# client disconnects.
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp \
  3>"$suite/display" </dev/null >"$suite/logs/xvfb.log" 2>&1 &
echo $! >"$suite/pids/xvfb"
wait_until 20 "Xvfb" grep -qs '[0-9]' "$suite/display"
display=":$(tr -dc 0-9 <"$suite/display")"
export DISPLAY="$display"
xsetroot -solid '#3a6ea5' >>"$log" 2>&1 || true
# A second resolution the display can switch to, for the tests of a change
# of resolution (the virtual screen can only shrink from the size it starts
# at). Added before Wine starts, so that Wine lists it among the modes.
xrandr --newmode 800x600 0 800 0 0 0 600 0 0 0 >>"$log" 2>&1 &&
  xrandr --addmode screen 800x600 >>"$log" 2>&1 || true

# Each port is a pty pair: the prefix's COMn opens comN.dev, and a test writes
# the device's bytes into comN.in.
for n in 1 2; do
  start_service "socat-com$n" socat "pty,raw,echo=0,link=$suite/com$n.dev" "pty,raw,echo=0,link=$suite/com$n.in"
  wait_until 10 "the COM$n pty pair" test -e "$suite/com$n.in" -a -e "$suite/com$n.dev"
done

export WINEPREFIX="$suite/prefix"
# The stable link names, not the /dev/pts numbers behind them. A loaded
# machine has once had Wine fail to start a program of a prefix it had just
# booted ("Application could not be started"): such a prefix is wiped and
# made again, once, with what the machine had free in the log.
prepare() { tavrin_prefix_prepare "$log" "$suite/com1.dev" "$suite/com2.dev"; }
if ! prepare; then
  { echo "setup-fixture: preparing the prefix failed; making it again"; df -h "$suite"; free -m; } >>"$log" 2>&1
  "$WINESERVER" -k >>"$log" 2>&1 || true
  "$WINESERVER" -w >>"$log" 2>&1 || true
  rm -rf "$WINEPREFIX"
  prepare || {
    echo "setup-fixture: preparing the prefix failed; see $log" >&2
    tail -30 "$log" >&2
    exit 1
  }
fi

# Wine takes the screen's DPI from the user's LogPixels when its server
# starts.
if [ -n "$dpi" ]; then
  "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    >>"$log" 2>&1 </dev/null || { echo "setup-fixture: could not set the DPI" >&2; exit 1; }
  "$WINESERVER" -w
fi

{
  printf 'TAVRIN_WINE_SUITE=%q\n' "$suite"
  printf 'TAVRIN_DPI=%q\n' "${dpi:-96}"
  printf 'WINEPREFIX=%q\n' "$WINEPREFIX"
  printf 'WINEARCH=%q\n' "$WINEARCH"
  printf 'WINEDEBUG=%q\n' "$WINEDEBUG"
  printf 'WINEDLLOVERRIDES=%q\n' "$WINEDLLOVERRIDES"
  printf 'WINE=%q\n' "$WINE"
  printf 'WINESERVER=%q\n' "$(command -v "$WINESERVER")"
  printf 'DISPLAY=%q\n' "$display"
  printf 'XDOTOOL=%q\n' "$(command -v xdotool)"
  printf 'TAVRIN_SCREEN_WIDTH=1024\nTAVRIN_SCREEN_HEIGHT=768\n'
  printf 'TAVRIN_COM1_IN=%q\n' "$suite/com1.in"
  printf 'TAVRIN_COM2_IN=%q\n' "$suite/com2.in"
} >"$suite/env"

ms=$((($(date +%s%N) - t0) / 1000000))
printf 'wine suite ready in %d.%03d s: DISPLAY=%s WINEPREFIX=%s\n' $((ms / 1000)) $((ms % 1000)) "$display" "$WINEPREFIX"
