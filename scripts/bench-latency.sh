#!/usr/bin/env bash
# Prints how fast the pointer's packets take effect under Wine:
#   scripts/bench-latency.sh [windows-build-dir] [samples] [--expanded] [--managed]
#   1. a motion packet written into the pty behind COM2 -> the system pointer
#      has moved (GetCursorPos changed), median and p99 over the samples
#      (default 200);
#   2. a receiver that sends motion packets back to back at 9600 bit/s (320
#      a second) for 10 s, then one last move: how long that last move takes
#      to reach the pointer (what the stream left queued) and whether the
#      pointer ends exactly where the packets put it;
#   3. a function key (B, bound to the first overlay effect) -> the overlay
#      window is on the screen, and the same key again closes it (20 samples),
#      with the palette collapsed as after start-up, or with --expanded shown;
#   4. the CPU the program (and Wine's server) takes over 30 s with the port
#      open and nothing arriving, from /proc.
# The first three are timed inside Wine on one clock: the probe writes the
# device's bytes itself, into COM1 wired to the program's COM2, and then
# watches. Figures, not a test: it
# fails only when nothing can be measured. The build directory (default
# build/windows) must hold tavrin.exe and winprobe.exe; the measurement runs
# in a Wine environment of its own under <build>/bench-suite.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
. "$here/common.sh"
build="$(cd "${1:-$root/build/windows}" && pwd)"
samples="${2:-200}"
managed=0
for a in "$@"; do [ "$a" = --managed ] && managed=1; done
exe="$build/app/tavrin.exe"
probe_exe="$build/tools/winprobe/winprobe.exe"
for f in "$exe" "$probe_exe"; do
  [ -f "$f" ] || { echo "bench-latency: $f is missing; build the windows preset first" >&2; exit 1; }
done

tavrin_bench_suite "$build/bench-suite"
"$WINE" reg delete 'HKCU\SOFTWARE\Omvale Tavrin 2.0.8' /f >/dev/null 2>&1 </dev/null || true
# Unmanaged windows, as on a desktop with a window manager that answers at
# once: with none, Wine waits about 2 s in every hide of a full-screen window,
# which would time Wine's wait, not the program. Pass --managed to keep it.
if [ "${managed:-0}" != 1 ]; then
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
fi
tavrin_bench_start "$exe" "$TAVRIN_BENCH_SUITE/logs/tavrin.log" ||
  { echo "bench-latency: the program did not start" >&2; exit 1; }
probe setcursor 500 400 >/dev/null

# With --expanded the palette is shown first (the tray menu's first item),
# as a presenter who keeps it on the screen has it.
expand_palette() {
  local g x y w h menu="" m
  g="$(xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null | head -n 1)"
  [ -n "$g" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$g")"
  xdotool mousemove $((X + HEIGHT / 2)) $((Y + HEIGHT / 2)) click 3
  for _ in $(seq 50); do
    for m in $(xdotool search --onlyvisible --classname '^tavrin\.exe$' 2>/dev/null); do
      [ -z "$(xdotool getwindowname "$m" 2>/dev/null)" ] && menu="$m"
    done
    [ -n "$menu" ] && break
    sleep 0.1
  done
  [ -n "$menu" ] || return 1
  eval "$(xdotool getwindowgeometry --shell "$menu")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + 12))
  sleep 0.2
  xdotool click 1
  xdotool mousemove 900 700
  sleep 1
}
if [[ " $* " == *" --expanded "* ]]; then
  expand_palette || echo "bench-latency: could not expand the palette" >&2
fi

port='\\.\COM1'
echo "byte written -> pointer moved ($samples samples, ms):"
echo "  $(probe latency "$port" "$samples" move)"
echo "a receiver sending back to back at 9600 bit/s for 10 s, then one last packet -> pointer moved by it (ms):"
echo "  $(probe latency "$port" 10 stream)"
echo "function key -> overlay shown (20 samples, ms):"
[ "${BENCH_SKIP_KEY:-0}" = 1 ] || echo "  $(probe latency "$port" 20 key B TForm_Draw)"

# CPU time (user + system) of the processes of this Wine environment whose
# command line matches, over the given seconds.
cpu_share() {  # pattern, seconds
  local pids=() p a=0 b=0 t0 t1 hz
  for p in $(pgrep -f "$1" || true); do
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && pids+=("$p")
  done
  [ "${#pids[@]}" -gt 0 ] || { echo "-"; return; }
  ticks() { local s=0 q; for q in "${pids[@]}"; do s=$((s + $(awk '{print $14 + $15}' "/proc/$q/stat" 2>/dev/null || echo 0))); done; echo "$s"; }
  hz="$(getconf CLK_TCK)"
  a="$(ticks)"; t0="$(date +%s.%N)"
  sleep "$2"
  b="$(ticks)"; t1="$(date +%s.%N)"
  awk -v a="$a" -v b="$b" -v t0="$t0" -v t1="$t1" -v hz="$hz" \
    'BEGIN { printf "%.2f %% of a core (%d ticks of 1/%d s in %.0f s)", 100 * (b - a) / hz / (t1 - t0), b - a, hz, t1 - t0 }'
}
echo "idle for 30 s, the port open and nothing arriving -> CPU of the program, and of Wine's server:"
sleep 2
echo "  program: $(cpu_share 'tavrin\.exe' 30)"
echo "  wineserver: $(cpu_share '^/usr/lib/wine/wineserver|wineserver' 30)"
