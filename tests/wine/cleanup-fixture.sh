#!/usr/bin/env bash
# Ends everything that setup-fixture.sh started for a suite:
#   cleanup-fixture.sh <suite-dir>
# the prefix's wineserver (and with it every Windows process of the prefix),
# then the serial port pairs and the X server, each by its recorded PID.
set -uo pipefail

suite="${1:?usage: cleanup-fixture.sh <suite-dir>}"
[ -d "$suite" ] || exit 0
suite="$(cd "$suite" && pwd)"

if [ -f "$suite/env" ]; then
  # shellcheck disable=SC1091
  . "$suite/env"
  export WINEPREFIX
  if [ -d "$WINEPREFIX" ]; then
    "${WINESERVER:-wineserver}" -k 2>/dev/null || true
    # -k returns once the signal is sent; give the server a moment to go.
    timeout 20 "${WINESERVER:-wineserver}" -w 2>/dev/null || true
  fi
fi

# A recorded PID is only ended while it still runs the command line that was
# started under it: PIDs are reused.
end_pid() {  # pid-file, text of its command line
  local file="$1" prog="$2" pid
  [ -f "$file" ] || return 0
  pid="$(cat "$file")"
  rm -f "$file"
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] || return 0
  tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qF -- "$prog" || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    [ -d "/proc/$pid" ] || return 0
    # A zombie (Z) has ended; its parent, long gone, is init's to reap.
    [ "$(awk '{print $3}' "/proc/$pid/stat" 2>/dev/null)" = Z ] && return 0
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
}

# The prefix and display of the test of several monitors, if it left them.
if [ -d "$suite/monitors/prefix" ]; then
  WINEPREFIX="$suite/monitors/prefix" "${WINESERVER:-wineserver}" -k 2>/dev/null || true
fi
end_pid "$suite/pids/xvfb-monitors" "Xvfb -displayfd 3 -screen 0 3200x1080x24 -noreset"

for f in "$suite"/pids/socat-*; do
  [ -e "$f" ] && end_pid "$f" "socat pty,raw,echo=0,link=$suite/com"
done
# Any size: a benchmark may have put a display of another size in its place.
end_pid "$suite/pids/xvfb" "Xvfb -displayfd 3 -screen 0 "
exit 0
