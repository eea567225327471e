#!/usr/bin/env bash
# Proof that nothing builds up in a long run under Wine (a soak, not part of
# the test command: it takes about ten minutes):
#   scripts/soak.sh [windows-build-dir] [shows] [packets-per-show]
# The program runs with the ten overlay effects bound to the keys B to K and
# tools/winprobe/soakprobe drives it from inside Wine: <shows> overlay shows
# (default 500, each effect in turn), each opened and closed by its key, with
# <packets-per-show> packets in each (default 200: a left drag, plain moves,
# a right click; 100 000 packets in all). It prints the process's private
# bytes, working set, window count and GDI/USER objects after the first 50
# shows and at the end, and fails when the program died, an overlay did not
# show or close, the pointer ended off what the packets say, the private
# bytes grew by 1 MiB or more, or the window count changed. The run has a
# Wine environment of its own under <build>/soak-suite, with unmanaged
# windows as in bench-latency.sh.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
. "$here/common.sh"
build="$(cd "${1:-$root/build/windows}" && pwd)"
shows="${2:-500}"
per_show="${3:-200}"
exe="$build/app/tavrin.exe"
probe_exe="$build/tools/winprobe/winprobe.exe"
soak_exe="$build/tools/winprobe/soakprobe.exe"
for f in "$exe" "$probe_exe" "$soak_exe"; do
  [ -f "$f" ] || { echo "soak: $f is missing; build the windows preset first" >&2; exit 1; }
done

suite="$build/soak-suite"
tavrin_bench_suite "$suite"

# The ten overlay effects on B..K, Cursor Reset on L, no sounds.
tavrin_overlay_keys_settings "$suite/soak-settings.reg"
"$WINE" regedit /S "$suite/soak-settings.reg" >/dev/null 2>&1 </dev/null
# Unmanaged windows, as on a desktop with a window manager that answers at
# once (with none, Wine waits about 2 s in every hide of a full-screen window).
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true

tavrin_bench_start "$exe" "$suite/logs/tavrin.log" || { echo "soak: the program did not start" >&2; exit 1; }

rss() { awk '/^VmRSS:/ {print $2}' "/proc/$prog/status" 2>/dev/null || echo "-"; }
echo "soak: $shows shows, $per_show packets each, program PID $prog (RSS $(rss) KiB at start)"
set +e
"$WINE" "$soak_exe" '\\.\COM1' "$shows" "$per_show" BCDEFGHIJK 50 </dev/null | tr -d '\r' |
  tee "$suite/logs/soak.log"
rc=${PIPESTATUS[0]}
set -e
echo "soak: RSS $(rss) KiB at the end (Linux view of the Wine process)"
if ! kill -0 "$prog" 2>/dev/null || [ "$(awk '{print $3}' "/proc/$prog/stat" 2>/dev/null)" = Z ]; then
  echo "soak: the program is gone"
  rc=1
fi
exit "$rc"
