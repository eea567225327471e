# Shared by setup.sh, run.sh and test.sh. Source it; it changes nothing.

TAVRIN_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
TAVRIN_CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/tavrin"

# Where setup.sh installs the static libjpeg for a mingw architecture
# (x86_64 or i686); the Windows presets get it as TAVRIN_LIBJPEG_ROOT.
tavrin_libjpeg_root() { echo "$TAVRIN_CACHE/libjpeg-$1"; }

tavrin_say() { printf '\n== %s\n' "$*"; }

tavrin_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Writes a registry file (REGEDIT4) that replaces the program's settings key
# with a complete one: the defaults, no sounds and no program to open, and
# the ten overlay effects on the keys B to K (Mark, Reveal, Line, Zoom, Pen,
# Spot Light, Laser Beam, Rectangle, Magnifier, Break Time) and Cursor Reset
# on L. The benchmarks and the soak import it with regedit /S.
tavrin_overlay_keys_settings() {  # file
  local key='HKEY_CURRENT_USER\Software\Omvale Tavrin 2.0.8' slots=(0 1 2 3 4 5 6 7 8 12 14) i
  {
    printf 'REGEDIT4\r\n\r\n[-%s]\r\n\r\n[%s]\r\n' "$key" "$key"
    printf '"Mark Choice"=dword:00000000\r\n"Reveal Color"=dword:00ff0000\r\n"Reveal Style"=dword:00000000\r\n'
    printf '"Line Color"=dword:00ff0000\r\n"Line Style"=dword:00000000\r\n"ZoomX"=dword:00000002\r\n'
    printf '"Spot Light Style"=dword:00000000\r\n"Laser Beam Color"=dword:000000ff\r\n"Laser Beam Size"=dword:00000001\r\n'
    printf '"Rectangle Color"=dword:000000ff\r\n"Com Port"="Com2"\r\n"SoundName"=""\r\n"BreakSound"=""\r\n'
    printf '"Execute Name"=""\r\n"Break Font Color"=dword:0080ff80\r\n"Break Back Color"=dword:00000080\r\n'
    printf '"Break Time "=dword:0000000a\r\n"Version"=" 2.0.8"\r\n'
    for i in "${!slots[@]}"; do printf '"%d"=dword:%08x\r\n' "$i" "${slots[$i]}"; done
  } >"$1"
}

# A Wine environment of a benchmark's own (prefix, display, the probe's COM1
# wired to the reader's COM2) under <suite>, loaded into the calling shell
# with `probe` running tools/winprobe's probe ($probe_exe) in it. When the
# script exits, the program ($prog), the least program ($least), the suite
# and then the display's window manager ($wm) are ended, each if started.
tavrin_bench_suite() {  # suite-dir
  TAVRIN_BENCH_SUITE=$1
  bash "$TAVRIN_ROOT/tests/wine/setup-fixture.sh" "$1" >/dev/null
  trap tavrin_bench_end EXIT
  # shellcheck source=tests/wine/env.sh
  . "$TAVRIN_ROOT/tests/wine/env.sh" "$1"
  bash "$TAVRIN_ROOT/tests/wine/join-ports.sh" "$1"
}
probe() { "$WINE" "$probe_exe" "$@" </dev/null | tr -d '\r'; }
tavrin_end() { if [ -n "${1:-}" ]; then kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; fi; }
tavrin_bench_end() {
  tavrin_end "${prog:-}"
  tavrin_end "${least:-}"
  bash "$TAVRIN_ROOT/tests/wine/cleanup-fixture.sh" "$TAVRIN_BENCH_SUITE" >/dev/null 2>&1 || true
  tavrin_end "${wm:-}"
}

# Starts the program (<exe>, its output in <log>) in the loaded suite as
# $prog and waits for its main window and its tray icon, which comes once
# the port is open.
tavrin_bench_start() {  # exe, log
  (cd "$(dirname "$1")" && exec "$WINE" "$1") >"$2" 2>&1 </dev/null &
  prog=$!
  probe wait-window TForm_Main 30000 Tavrin >/dev/null || return 1
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '^Wine System Tray$' >/dev/null 2>&1 && return 0
    sleep 0.1
  done
}
