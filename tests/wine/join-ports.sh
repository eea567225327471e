#!/usr/bin/env bash
# Makes COM1 and COM2 of a Wine suite the two ends of one line: what a
# program writes to COM1 the one on COM2 reads, and back. The benchmarks
# use it so their probe can play the device from inside Wine, timed on
# Wine's own clock. (A Wine program's writes into the Linux end of a pty,
# through drive Z:, report success here but never arrive.)
#   tests/wine/join-ports.sh <suite-dir>
set -euo pipefail
suite="$1"
for n in 1 2; do
  kill "$(cat "$suite/pids/socat-com$n" 2>/dev/null)" 2>/dev/null || true
  rm -f "$suite/pids/socat-com$n"
done
for _ in $(seq 100); do [ -e "$suite/com1.dev" ] || [ -e "$suite/com2.dev" ] || break; sleep 0.05; done
setsid socat "pty,raw,echo=0,link=$suite/com1.dev" "pty,raw,echo=0,link=$suite/com2.dev" \
  </dev/null >"$suite/logs/socat-line.log" 2>&1 &
echo $! >"$suite/pids/socat-line"
for _ in $(seq 100); do [ -e "$suite/com1.dev" ] && [ -e "$suite/com2.dev" ] && break; sleep 0.05; done
[ -e "$suite/com1.dev" ] && [ -e "$suite/com2.dev" ] || { echo "join-ports: no line between COM1 and COM2" >&2; exit 1; }
