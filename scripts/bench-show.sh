#!/usr/bin/env bash
# Prints how soon each overlay effect is on the screen under Wine, next to
# the least program that does the same work, measured in the same run
# (figures, not a test):
#   scripts/bench-show.sh [windows-build-dir] [shows] [WIDTHxHEIGHT]
# On a virtual display of that size (1024x768 unless given; Xvfb takes any) with a window manager running (openbox: with
# none, Wine waits about 2 s in every hide of a full-screen window, which a
# desktop does not), over a detailed picture:
#   frame  the function key's packet written to the port -> the effect's
#          first frame on the screen (the dimmed screen, the enlarged view,
#          the dot, the lens, the break field; for Mark, Pen and Rectangle,
#          whose first frame is the frozen picture, and for Reveal and Line,
#          whose first frame is the frozen picture too (each move puts on the
#          screen the cover or bar the move before prepared: the first one
#          comes with the presenter's next move), the overlay covering the
#          screen);
#   close  the same key again -> the screen as it was.
# The least program (tools/winprobe/leastshow) on a key captures the screen
# and shows it dimmed (or enlarged, or a plain field with digits) in a
# topmost full-screen window. It runs in two forms: "least" waits on the
# port as the program does (woken as the byte arrives), "least poll" polls
# it every 50 ms; each effect is set beside the waiting form's figure for
# its kind of frame, and the ratio is frame over that (for the polling form
# too: its frame over the waiting form's). tools/winprobe/showprobe does
# the timing inside Wine on one clock (see its header). The run has a Wine
# environment of its own under <build>/bench-show-suite.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
. "$here/common.sh"
build="$(cd "${1:-$root/build/windows}" && pwd)"
shows="${2:-10}"
size="${3:-1024x768}"
[[ "$size" =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]] || { echo "bench-show: a size is WIDTHxHEIGHT, not $size" >&2; exit 1; }
exe="$build/app/tavrin.exe"
probe_exe="$build/tools/winprobe/winprobe.exe"
show_exe="$build/tools/winprobe/showprobe.exe"
least_exe="$build/tools/winprobe/leastshow.exe"
for f in "$exe" "$probe_exe" "$show_exe" "$least_exe"; do
  [ -f "$f" ] || { echo "bench-show: $f is missing; build the windows preset first" >&2; exit 1; }
done
command -v openbox >/dev/null || { echo "bench-show: openbox is missing; run scripts/setup.sh" >&2; exit 1; }

suite="$build/bench-show-suite"
prog= least= wm=
tavrin_bench_suite "$suite"
if [ "$size" != "${TAVRIN_SCREEN_WIDTH}x$TAVRIN_SCREEN_HEIGHT" ]; then
  # The fixture's display is 1024x768: a display of the size asked for takes
  # its place. No Wine process is up yet (the prefix's server has exited),
  # so nothing holds the old one; the fixture's cleanup ends the new one by
  # its recorded PID.
  kill "$(cat "$suite/pids/xvfb")" 2>/dev/null || true
  setsid Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset -nolisten tcp 3>"$suite/display-$size" \
    </dev/null >"$suite/logs/xvfb-$size.log" 2>&1 &
  echo $! >"$suite/pids/xvfb"
  for _ in $(seq 200); do grep -q '[0-9]' "$suite/display-$size" 2>/dev/null && break; sleep 0.1; done
  sed -i -e "s/^DISPLAY=.*/DISPLAY=:$(tr -dc 0-9 <"$suite/display-$size")/" \
    -e "s/^TAVRIN_SCREEN_WIDTH=.*/TAVRIN_SCREEN_WIDTH=${size%x*}/" \
    -e "s/^TAVRIN_SCREEN_HEIGHT=.*/TAVRIN_SCREEN_HEIGHT=${size#*x}/" "$suite/env"
  # shellcheck source=tests/wine/env.sh
  . "$root/tests/wine/env.sh" "$suite"
  [ "$(xdpyinfo 2>/dev/null | awk '/dimensions:/ {print $2}')" = "$size" ] ||
    { echo "bench-show: no $size display" >&2; exit 1; }
fi
# The line ends when the last reader of a port closes it, and each reader
# here is a program that comes and goes: this shell holds both ends open.
exec 8<>"$suite/com1.dev" 9<>"$suite/com2.dev"

openbox --sm-disable >"$suite/logs/openbox.log" 2>&1 </dev/null &
wm=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
"$WINE" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 </dev/null || true

# A screen with detail everywhere: a gradient under a fine grid, a panel with
# writing.
W="$TAVRIN_SCREEN_WIDTH" H="$TAVRIN_SCREEN_HEIGHT"
grid=()
for ((x = 0; x < W; x += 16)); do grid+=(-draw "line $x,0 $x,$H"); done
for ((y = 0; y < H; y += 16)); do grid+=(-draw "line 0,$y $W,$y"); done
convert -size "${W}x$H" gradient:'#d04020-#2050c0' -stroke '#f0e0a0' -strokewidth 1 "${grid[@]}" \
  -stroke none -fill white -draw 'rectangle 96,96 515,255' -fill black -pointsize 40 \
  -annotate +120+200 'Quarterly figures' -depth 8 "$suite/screen.png"
display -window root "$suite/screen.png" >/dev/null 2>&1 || true

# The ten overlay effects on B..K (Mark, Reveal, Line, Zoom, Pen, Spot Light,
# Laser Beam, Rectangle, Magnifier, Break Time).
tavrin_overlay_keys_settings "$suite/settings.reg"
"$WINE" regedit /S "$suite/settings.reg" >/dev/null 2>&1 </dev/null

measure() {  # key, changes|still, log name -> the probe's summary line
  local out
  out="$("$WINE" "$show_exe" '\\.\COM1' "$1" "$shows" "$2" </dev/null 2>&1 | tr -d '\r')" || true
  printf '%s\n' "$out" >"$suite/logs/show-$3.log"
  grep '^summary:' <<<"$out" || echo "summary: shows=0"
}
field() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" <<<"$2"; }

# The least program first, one run per kind of frame and form, on the
# program's port.
declare -A least_line
for kind in dim zoom field; do
  for form in event poll; do
    (exec "$WINE" "$least_exe" '\\.\COM2' "$kind" "$form") >"$suite/logs/least-$kind-$form.log" 2>&1 </dev/null &
    least=$!
    probe wait-window LeastShow 30000 >/dev/null || { echo "bench-show: leastshow did not start" >&2; exit 1; }
    least_line[$kind-$form]="$(measure B changes "least-$kind-$form")"
    tavrin_end "$least"
    least=
  done
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", a / b; else print "-" }'; }

# The program times each step of its shows into this file (a path Wine
# reaches through its drive of the whole file system); each effect's lines
# are moved to its own log after its shows.
trace="$suite/show-trace.log"
rm -f "$trace"
export TAVRIN_SHOW_TRACE="$trace"
tavrin_bench_start "$exe" "$suite/logs/tavrin.log" || { echo "bench-show: the program did not start" >&2; exit 1; }
sleep 1

echo "overlay effects under Wine at ${W}x$H with a window manager ($shows shows each; ms):"
printf '%-16s %7s %7s %7s  %-12s %7s %6s\n' effect frame p90 close "least" frame ratio
for kind in dim zoom field; do
  for form in event poll; do
    l="${least_line[$kind-$form]:-}"
    f="$(field frame_median "$l")"
    name="least $kind"; [ "$form" = poll ] && name="$name poll"
    printf '%-16s %7s %7s %7s  %-12s %7s %6s\n' "$name" "${f:--}" "$(field frame_p90 "$l")" \
      "$(field close_median "$l")" "least $kind" "$(field frame_median "${least_line[$kind-event]:-}")" \
      "$(ratio "$f" "$(field frame_median "${least_line[$kind-event]:-}")")"
  done
done
# effect, key, how its first frame shows, the least program's kind of frame
while read -r name k how kind; do
  line="$(measure "$k" "$how" "$name")"
  mv -f "$trace" "$suite/logs/trace-$name.log" 2>/dev/null || : >"$suite/logs/trace-$name.log"
  f="$(field frame_median "$line")"
  lf="$(field frame_median "${least_line[$kind-event]:-}")"
  printf '%-16s %7s %7s %7s  %-12s %7s %6s\n' "${name//_/ }" "${f:--}" "$(field frame_p90 "$line")" \
    "$(field close_median "$line")" "least $kind" "${lf:--}" "$(ratio "$f" "$lf")"
done <<'EOF'
Mark B still dim
Reveal C still dim
Line D still dim
Zoom E changes zoom
Pen F still dim
Spot_Light G changes dim
Laser_Beam H changes dim
Rectangle I still dim
Magnifier J changes zoom
Break_Time K changes field
EOF

# Where the program's own time goes: each step's median over the shows
# (from the trace; a step a show did not take counts as 0 for it), a row
# per step in the order a show takes them, a column per effect.
echo
echo "each show's steps in the program (medians, ms; total = the key's dispatch -> the pointer's first move):"
effects=(Mark Reveal Line Zoom Pen Spot_Light Laser_Beam Rectangle Magnifier Break_Time)
for name in "${effects[@]}"; do
  awk '{ n++; for (i = 2; i <= NF; i++) { split($i, kv, "=")
           if (!(kv[1] in seen)) { seen[kv[1]] = 1; order[++steps] = kv[1] }
           v[kv[1], n] = kv[2] } }
    END {
      print "#"  # a column even for an effect with no trace
      for (s = 1; s <= steps; s++) {
        for (i = 1; i <= n; i++) a[i] = v[order[s], i] + 0
        for (i = 2; i <= n; i++) { x = a[i]; for (j = i - 1; j >= 1 && a[j] > x; j--) a[j + 1] = a[j]; a[j + 1] = x }
        printf "%s %.1f\n", order[s], n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
      }
    }' "$suite/logs/trace-$name.log" >"$suite/logs/steps-$name.txt"
done
printf '%-16s' step
for name in Mark Reveal Line Zoom Pen Spot Laser Rect Magnif Break; do printf ' %6s' "$name"; done
echo
for name in "${effects[@]}"; do printf '%s\n' "$suite/logs/steps-$name.txt"; done | xargs awk '
  FNR == 1 { col++ } /^#/ { next }
  { if (!($1 in seen) && $1 != "total") { seen[$1] = 1; order[++rows] = $1 } m[$1, col] = $2 }
  BEGIN { rows = split("hide capture-setup wait capture to-show bounds image-draw picture-copy " \
          "clean-paint work-surfaces work-copies dim setup window-shown " \
          "first-paint nudge first-move", order, " ")
          for (r = 1; r <= rows; r++) seen[order[r]] = 1 }
  END { order[++rows] = "total"
        for (r = 1; r <= rows; r++) {
          printf "%-16s", order[r]
          for (c = 1; c <= col; c++) printf " %6s", ((order[r], c) in m) ? m[order[r], c] : "-"
          print "" } }'
