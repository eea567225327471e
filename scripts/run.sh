#!/usr/bin/env bash
# Builds the Windows program and runs it under Wine.
#   scripts/run.sh                    run until Ctrl+C (or until it exits)
#   scripts/run.sh --screenshot-only  start it, save build/screenshot.png, end it
#   scripts/run.sh --receiver         run it with the virtual receiver on this
#                                     terminal: its keys drive the pointer, q ends both
# On the current X display when there is one, else on a virtual one (then a
# screenshot is the way to see it). The Wine prefix persists between runs:
# ${TAVRIN_WINEPREFIX:-~/.local/share/tavrin/wine}. The serial ports COM1 and
# COM2 are pty pairs: bytes written to build/run/com2.in reach the program as
# if from the pointer's receiver.
set -euo pipefail
# A step that fails ends the script; it says which, rather than ending silently.
trap 'rc=$?; echo "run: stopped at line $LINENO, where \"$BASH_COMMAND\" failed (exit $rc)" >&2' ERR
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
. "$TAVRIN_ROOT/tests/wine/prefix.sh"

shot_only=0 receiver=0
case "${1:-}" in
  --screenshot-only) shot_only=1 ;;
  --receiver) receiver=1 ;;
  "") ;;
  *) echo "usage: $0 [--screenshot-only | --receiver]" >&2; exit 2 ;;
esac
if [ "$receiver" -eq 1 ] && [ ! -t 0 ]; then
  echo "run: --receiver reads the keys of a terminal; run it from one" >&2
  exit 2
fi

bash "$TAVRIN_ROOT/scripts/setup.sh"
cd "$TAVRIN_ROOT"
tavrin_say "building the windows preset"
cmake --preset windows "-DTAVRIN_LIBJPEG_ROOT=$(tavrin_libjpeg_root x86_64)" >/dev/null
targets=(tavrin)
[ "$receiver" -eq 0 ] || targets+=(tavrin_receiver_host)
cmake --build --preset windows -j 2 --target "${targets[@]}"
exe="$TAVRIN_ROOT/build/windows/app/tavrin.exe"
[ -f "$exe" ] || { echo "run: $exe was not built" >&2; exit 1; }

run="$TAVRIN_ROOT/build/run"
mkdir -p "$run"
pids=()   # the ports and the display, ended last
prog=
end_pid() {
  [ -d "/proc/$1" ] || return 0
  kill -TERM "$1" 2>/dev/null || true
  for _ in $(seq 30); do
    [ -d "/proc/$1" ] && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ] || return 0
    sleep 0.1
  done
  kill -KILL "$1" 2>/dev/null || true
}
cleanup() {
  if [ -n "$prog" ]; then
    end_pid "$prog"
    # The prefix's registry reaches the disk when its server exits.
    timeout 20 "$WINESERVER" -w 2>/dev/null || true
  fi
  local pid
  for pid in "${pids[@]}"; do end_pid "$pid"; done
  if [ -n "${extra_port:-}" ]; then rm -f "$WINEPREFIX/dosdevices/com$extra_port"; fi
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- display -----------------------------------------------------------------
if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then
  echo "using display $DISPLAY"
else
  rm -f "$run/display"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp \
    3>"$run/display" </dev/null >"$run/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do grep -q '[0-9]' "$run/display" 2>/dev/null && break; sleep 0.1; done
  grep -q '[0-9]' "$run/display" || { echo "run: Xvfb did not start; see $run/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(tr -dc 0-9 <"$run/display")"
  xsetroot -solid '#3a6ea5' || true
  echo "no display: using a virtual one, $DISPLAY (1024x768)"
fi

# --- serial ports --------------------------------------------------------------
for n in 1 2; do
  rm -f "$run/com$n.dev" "$run/com$n.in"
  setsid socat "pty,raw,echo=0,link=$run/com$n.dev" "pty,raw,echo=0,link=$run/com$n.in" \
    </dev/null >"$run/socat-com$n.log" 2>&1 &
  pids+=($!)
done
for _ in $(seq 50); do [ -e "$run/com1.in" ] && [ -e "$run/com2.in" ] && break; sleep 0.1; done

# --- prefix --------------------------------------------------------------------
export WINEPREFIX="${TAVRIN_WINEPREFIX:-$HOME/.local/share/tavrin/wine}"
[ -f "$WINEPREFIX/system.reg" ] || tavrin_say "creating the Wine prefix $WINEPREFIX (once, about 15 s)"
tavrin_prefix_prepare "$run/prefix.log" "$run/com1.dev" "$run/com2.dev" ||
  { echo "run: preparing the prefix failed; see $run/prefix.log" >&2; exit 1; }

# The port the program will listen on: exactly "Com1" means COM1, "Com3" to
# "Com256" that port, anything else (or nothing) COM2. A port beyond COM2 is
# given a pty pair of its own and announced the way a USB-serial adapter's
# driver announces it, so the program lists and opens it. Before the
# program's first start in this prefix there is no settings key, and the
# query fails.
port_name="$({ "$WINE" reg query 'HKCU\SOFTWARE\Omvale Tavrin 2.0.8' /v 'Com Port' 2>/dev/null </dev/null || true; } |
  tr -d '\r' | awk '$1 == "Com" && $2 == "Port" {print $4}')"
n=2
[ "$port_name" = Com1 ] && n=1
if [[ "$port_name" =~ ^Com([1-9][0-9]{0,2})$ ]] && ((BASH_REMATCH[1] >= 3 && BASH_REMATCH[1] <= 256)); then
  n=${BASH_REMATCH[1]} extra_port=${BASH_REMATCH[1]}
  rm -f "$run/com$n.dev" "$run/com$n.in"
  setsid socat "pty,raw,echo=0,link=$run/com$n.dev" "pty,raw,echo=0,link=$run/com$n.in" \
    </dev/null >"$run/socat-com$n.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$run/com$n.in" ] && break; sleep 0.1; done
  ln -sfn "$run/com$n.dev" "$WINEPREFIX/dosdevices/com$n"
  "$WINE" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\TavrinRun' /d "COM$n" /f \
    >/dev/null 2>&1 </dev/null || true
fi

# --- the program ---------------------------------------------------------------
tavrin_say "starting tavrin.exe"
(cd "$(dirname "$exe")" && exec "$WINE" "$exe") </dev/null >"$run/tavrin.log" 2>&1 &
prog=$!

running() { [ -d "/proc/$prog" ] && [ "$(awk '{print $3}' "/proc/$prog/stat" 2>/dev/null)" != Z ]; }
# Up means: its main window exists and the tray icon or a box has appeared
# (a box when the second copy or a damaged settings key speaks).
up=0
for _ in $(seq 300); do
  running || break
  if xdotool search --classname '^tavrin\.exe$' >/dev/null 2>&1 &&
     { xdotool search --onlyvisible --name '^Wine System Tray$' >/dev/null 2>&1 ||
       xdotool search --onlyvisible --classname '^tavrin\.exe$' >/dev/null 2>&1; }; then
    up=1
    break
  fi
  sleep 0.1
done
sleep 1  # let the windows finish painting
shot="$TAVRIN_ROOT/build/screenshot.png"
import -window root "$shot" && echo "screenshot: $shot"
if [ "$up" -eq 0 ]; then
  running && echo "run: the program shows no window after 30 s" >&2 || echo "run: the program ended early; see $run/tavrin.log" >&2
fi

if [ "$shot_only" -eq 1 ]; then
  exit $((up == 1 ? 0 : 1))
fi
if [ "$receiver" -eq 1 ] && running; then
  tavrin_say "virtual receiver on COM$n (program PID $prog, display $DISPLAY)"
  "$TAVRIN_ROOT/build/windows/tools/receiver/tavrin-receiver" --port "$run/com$n.in" -i || true
  exit 0
fi
echo "running as PID $prog on $DISPLAY; Ctrl+C ends it (device bytes: write to $run/com$n.in)"
while running; do sleep 0.5; done
wait "$prog" 2>/dev/null && rc=0 || rc=$?
echo "tavrin.exe ended with exit code $rc"
