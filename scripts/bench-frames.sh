#!/usr/bin/env bash
# Prints how fast the overlay's frames reach the screen under Wine, on a
# 1920x1080 virtual display (figures, not a test):
#   scripts/bench-frames.sh [windows-build-dir] [shows] [moves] [tool...]
# For each tool (default: all nine pointer tools), <shows> times (default 3)
# over a detailed picture of the screen:
#   shown  the function key's packet written to the port -> the overlay's
#          window visible;
#   drawn  the packet -> the screen's pixels first change (the tool's first
#          frame after the show's nudge; "-" for a tool whose first frame is
#          the frozen picture itself);
#   frame  a pointer move injected as system input -> the pixels around the
#          move's target change on the screen (<moves> per show, default 20).
# tools/winprobe/frameprobe does the timing inside Wine on one clock, reading
# the screen through the desktop's device context every millisecond or so;
# see its header. The run has a Wine environment of its own under
# <build>/bench-frames-suite, with unmanaged windows as in bench-latency.sh.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="$(cd "${1:-$root/build/windows}" && pwd)"
shows="${2:-3}"
moves="${3:-20}"
shift $(($# < 3 ? $# : 3))
tools=("$@")
[ ${#tools[@]} -gt 0 ] || tools=(Zoom "Spot Light" "Laser Beam" Magnifier Line Reveal Pen Rectangle Mark)
exe="$build/app/tavrin.exe"
probe_exe="$build/tools/winprobe/winprobe.exe"
frame_exe="$build/tools/winprobe/frameprobe.exe"
for f in "$exe" "$probe_exe" "$frame_exe"; do
  [ -f "$f" ] || { echo "bench-frames: $f is missing; build the windows preset first" >&2; exit 1; }
done
W=1920 H=1080

suite="$build/bench-frames-suite"
bash "$root/tests/wine/setup-fixture.sh" "$suite" >/dev/null
prog=
xvfb=
cleanup() {
  if [ -n "$prog" ]; then kill "$prog" 2>/dev/null || true; wait "$prog" 2>/dev/null || true; fi
  bash "$root/tests/wine/cleanup-fixture.sh" "$suite" >/dev/null 2>&1 || true
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
}
trap cleanup EXIT

# The fixture's display is 1024x768: this run puts its own 1920x1080 one in
# its place. No Wine process is up yet (the prefix's server has exited), so
# nothing holds the old one.
kill "$(cat "$suite/pids/xvfb")" 2>/dev/null || true
rm -f "$suite/pids/xvfb"
Xvfb -displayfd 3 -screen 0 "${W}x${H}x24" -noreset -nolisten tcp 3>"$suite/display-1080" \
  </dev/null >"$suite/logs/xvfb-1080.log" 2>&1 &
xvfb=$!
for _ in $(seq 200); do grep -q '[0-9]' "$suite/display-1080" 2>/dev/null && break; sleep 0.1; done
display=":$(tr -dc 0-9 <"$suite/display-1080")"
sed -i -e "s/^DISPLAY=.*/DISPLAY=$display/" -e "s/^TAVRIN_SCREEN_WIDTH=.*/TAVRIN_SCREEN_WIDTH=$W/" \
  -e "s/^TAVRIN_SCREEN_HEIGHT=.*/TAVRIN_SCREEN_HEIGHT=$H/" "$suite/env"
# shellcheck source=tests/wine/env.sh
. "$root/tests/wine/env.sh" "$suite"
[ "$(xdpyinfo 2>/dev/null | awk '/dimensions:/ {print $2}')" = "${W}x$H" ] ||
  { echo "bench-frames: no ${W}x$H display" >&2; exit 1; }

# The probe writes the device's bytes to COM1; the program reads them on COM2.
bash "$root/tests/wine/join-ports.sh" "$suite"

# A screen with detail everywhere, so that every tool's frame changes pixels:
# a colour gradient under a fine grid, with white panels of black writing.
pic="$suite/screen.png"
font=
for f in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf \
  /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf; do
  [ -f "$f" ] && { font="$f"; break; }
done
grid=()
for ((x = 0; x < W; x += 16)); do grid+=(-draw "line $x,0 $x,$H"); done
for ((y = 0; y < H; y += 16)); do grid+=(-draw "line 0,$y $W,$y"); done
convert -size "${W}x$H" gradient:'#d04020-#2050c0' -stroke '#f0e0a0' -strokewidth 1 "${grid[@]}" \
  -stroke none -fill white -draw 'rectangle 96,96 615,355' -fill black ${font:+-font "$font"} -pointsize 40 \
  -annotate +120+200 'Quarterly figures' -depth 8 "$pic"
display -window root "$pic" >/dev/null 2>&1 || true

"$WINE" reg delete 'HKCU\SOFTWARE\Omvale Tavrin 2.0.8' /f >/dev/null 2>&1 </dev/null || true
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
probe() { "$WINE" "$probe_exe" "$@" </dev/null | tr -d '\r'; }
(cd "$(dirname "$exe")" && exec "$WINE" "$exe") >"$suite/logs/tavrin.log" 2>&1 </dev/null &
prog=$!
probe wait-window TForm_Main 30000 Tavrin >/dev/null || { echo "bench-frames: the program did not start" >&2; exit 1; }
for _ in $(seq 100); do
  xdotool search --onlyvisible --name '^Wine System Tray$' >/dev/null 2>&1 && break
  sleep 0.1
done
sleep 1

# The tools by their keys (the default effect table) and how each is used:
# key, start x y, step dx dy, and a way of holding or clicking the button.
declare -A key=([Mark]=B [Reveal]=C [Line]=D [Pen]=F ["Spot Light"]=G [Rectangle]=I
  [Magnifier]=J [Zoom]=K ["Laser Beam"]=L)
declare -A way=([Mark]="300 300 40 120 click" [Reveal]="300 300 40 240" [Line]="300 300 40 240"
  [Pen]="300 420 40 120 drag" ["Spot Light"]="300 300 40 120" [Rectangle]="300 300 40 120 anchor"
  [Magnifier]="300 300 40 120" [Zoom]="300 300 40 120" ["Laser Beam"]="300 300 40 120")

echo "overlay frames under Wine on ${W}x$H ($shows shows, $moves moves each; ms):"
printf '%-11s %7s %7s %13s %10s %7s\n' tool shown drawn "frame median" "frame p90" unseen
for t in "${tools[@]}"; do
  [ -n "${key[$t]:-}" ] || { echo "bench-frames: no tool '$t'" >&2; continue; }
  # A look at the screen while the tool is in use.
  (sleep 1.3 && import -window root "$suite/shot-${t// /-}.png" 2>/dev/null) &
  # shellcheck disable=SC2086
  out="$("$WINE" "$frame_exe" '\\.\COM1' "${key[$t]}" TForm_Draw "$shows" "$moves" ${way[$t]} \
    </dev/null 2>&1 | tr -d '\r')" || true
  printf '%s\n' "$out" >"$suite/logs/frames-${t// /-}.log"
  line="$(grep '^summary:' <<<"$out" || true)"
  [ -n "$line" ] || { printf '%-11s (no figures; see %s)\n' "$t" "$suite/logs"; continue; }
  v() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$line"; }
  drawn="$(v drawn_median)"
  [ "$drawn" = "-1.0" ] && drawn=-
  printf '%-11s %7s %7s %13s %10s %7s\n' "$t" "$(v shown_median)" "$drawn" "$(v frame_median)" \
    "$(v frame_p90)" "$(v unseen)"
done
import -window root "$suite/last-screen.png" 2>/dev/null || true
