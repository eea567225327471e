# Shared steps of the end-to-end tests. Source it from a test script that runs
# under tests/wine/run-test.sh (the Wine environment is already exported) with
# TAVRIN_EXE and WINPROBE set to the Windows paths of the program and the probe.
#
# Conventions: check_* records a failed expectation and goes on, so one run
# reports everything it saw; die stops the test at once (nothing sensible can
# follow). Every wait has a limit. Programs are followed by their PID, and
# every program a test started is ended when the test script exits.

set -uo pipefail

: "${TAVRIN_EXE:?TAVRIN_EXE must name tavrin.exe}"
: "${WINPROBE:?WINPROBE must name winprobe.exe}"
: "${WINE:?run the test through tests/wine/run-test.sh}"

TV_KEY='HKCU\SOFTWARE\Omvale Tavrin 2.0.8'
TV_KEY_LONG='HKEY_CURRENT_USER\Software\Omvale Tavrin 2.0.8'
TV_TEST="$(basename "${BASH_SOURCE[1]:-$0}" .sh)"
TV_ARTIFACTS="${TAVRIN_E2E_ARTIFACTS:-$TAVRIN_WINE_SUITE/e2e-artifacts}"
TV_WORK="$TV_ARTIFACTS/$TV_TEST"
rm -rf "$TV_WORK"
mkdir -p "$TV_WORK"
TV_FAILURES=0
TV_PIDS=()
TV_HOLD_PID=

log() { printf '[%s] %s\n' "$(date +%T)" "$*"; }

tv_screenshot() {  # name -> prints the file's path
  local file="$TV_ARTIFACTS/$1.png"
  if timeout 10 import -window root "$file" 2>/dev/null; then
    echo "$file"
  else
    echo "(screenshot $1 failed)"
  fi
}

die() {
  echo "FAIL: $*" >&2
  echo "screen at failure: $(tv_screenshot "$TV_TEST-failure")" >&2
  exit 1
}

fail() {
  echo "FAIL: $*" >&2
  TV_FAILURES=$((TV_FAILURES + 1))
}

pass() { echo "ok: $*"; }

check_eq() {  # description, expected, actual
  if [ "$2" == "$3" ]; then pass "$1"; else fail "$1: expected '$2', got '$3'"; fi
}

check() {  # description, command...
  local what="$1"
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

tv_finish() {
  if [ "$TV_FAILURES" -gt 0 ]; then
    echo "screen at end: $(tv_screenshot "$TV_TEST-end")" >&2
    echo "$TV_TEST: $TV_FAILURES expectation(s) failed" >&2
    exit 1
  fi
  echo "$TV_TEST: all expectations met"
  exit 0
}

# --- processes ----------------------------------------------------------

# State letter of a process, or "gone". A zombie (Z) has ended: kill -0 would
# still succeed on it.
tv_state() {
  local s
  s="$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" || true
  echo "${s:-gone}"
}

tv_running() {
  case "$(tv_state "$1")" in gone | Z | X) return 1 ;; *) return 0 ;; esac
}

# Starts tavrin.exe in the background from its own folder (it loads files by
# relative name). Sets TV_PID; the program's output goes to a log file.
tv_start() {
  local n=${#TV_PIDS[@]}
  local dir
  dir="$(dirname "$TAVRIN_EXE")"
  (cd "$dir" && exec "$WINE" "$TAVRIN_EXE" "$@") >"$TV_WORK/tavrin-$n.log" 2>&1 </dev/null &
  TV_PID=$!
  TV_PIDS+=("$TV_PID")
  TV_AWAIT_PORT=1
  log "started tavrin.exe as PID $TV_PID"
}

# Whether the program holds a port's pty: once it has set the port up, its
# process has the pty's device open.
tv_holds_port() {  # pid, the port's .in path
  local dev f
  dev="$(readlink -f "${2%.in}.dev")" || return 1
  for f in /proc/"$1"/fd/*; do
    [ "$(readlink "$f" 2>/dev/null)" = "$dev" ] && return 0
  done
  return 1
}

# Waits for a started program to end; sets TV_RC to its exit code.
tv_wait_exit() {  # pid, seconds
  local pid="$1" end=$((SECONDS + $2))
  while tv_running "$pid"; do
    if [ "$SECONDS" -ge "$end" ]; then return 1; fi
    sleep 0.1
  done
  wait "$pid" 2>/dev/null
  TV_RC=$?
  return 0
}

tv_kill() {  # pid
  if tv_running "$1"; then kill -KILL "$1" 2>/dev/null || true; fi
  wait "$1" 2>/dev/null || true
}

tv_cleanup() {
  local pid
  for pid in "${TV_PIDS[@]}"; do tv_kill "$pid"; done
  if [ -n "$TV_HOLD_PID" ]; then tv_kill "$TV_HOLD_PID"; fi
}
trap tv_cleanup EXIT

# Keeps one Wine client alive for the whole test, so the Wine session (and
# with it explorer's tray) does not shut down between the program's exit and
# the test's next look, and each probe call starts faster.
tv_hold_session() {
  "$WINE" "$WINPROBE" hold 600000 >/dev/null 2>&1 </dev/null &
  TV_HOLD_PID=$!
}

# Another program (the contract suite's child) takes C's default shortcut,
# Ctrl+Alt+Shift+F2 (MOD_ALT | MOD_CONTROL | MOD_SHIFT = 7, VK_F2 = 0x71),
# and holds it until its input, descriptor 7, closes; more commands for it
# ("hotkey id mods vk", "unhotkey id") go to descriptor 7, its answers to
# $TV_WORK/holder.out.
tv_other_program_holds_f2() {
  : "${CONTRACT_EXE:?CONTRACT_EXE must name the contract suite, whose child holds a shortcut}"
  mkfifo "$TV_WORK/holder.in"
  "$WINE" "$CONTRACT_EXE" --contract-process <"$TV_WORK/holder.in" >"$TV_WORK/holder.out" 2>&1 &
  TV_PIDS+=("$!")
  exec 7>"$TV_WORK/holder.in"
  echo "hotkey 1 7 113" >&7
  tv_wait_line "$TV_WORK/holder.out" '^0 1' 20 >/dev/null || die "the other program could not take Ctrl+Alt+Shift+F2"
}

# --- the Windows side ----------------------------------------------------

probe() { "$WINE" "$WINPROBE" "$@" </dev/null | stdbuf -oL tr -d '\r'; }

# Value of key=value in a probe line; "caption" runs to the end of the line.
field() {  # line, key
  if [ "$2" = caption ]; then
    sed -n 's/.* caption=//p' <<<"$1"
  else
    sed -e 's/ caption=.*//' -e 's/^/ /' <<<"$1" | sed -n "s/.* $2=\\([^ ]*\\).*/\\1/p" | head -n 1
  fi
}

# Waits for the program's main window; prints its probe line.
tv_wait_main() {  # seconds
  probe wait-window TForm_Main "$(($1 * 1000))" Tavrin
}

# Waits for a message box, prints what it shows (one key=value a line) and,
# with --dismiss, presses its OK button.
tv_messagebox() {  # caption, seconds, [--dismiss]
  probe messagebox "$1" "$(($2 * 1000))" "${@:3}"
}

# --- the registry ----------------------------------------------------------

# The program's values as sorted lines "TYPE<TAB>name<TAB>value": DWORDs as
# 0x%08x, strings unescaped. Exits 1 when the key does not exist.
tv_reg_values() {
  local out="$TV_WORK/export.reg"
  rm -f "$out"
  "$WINE" regedit /E "$out" "$TV_KEY_LONG" >/dev/null 2>&1 </dev/null
  [ -s "$out" ] || return 1
  iconv -f UTF-16 -t UTF-8 "$out" | tr -d '\r' | awk '
    function unquote(s,   r, i, c) {   # s starts after the opening quote
      r = ""
      for (i = 1; i <= length(s); i++) {
        c = substr(s, i, 1)
        if (c == "\\") { i++; r = r substr(s, i, 1); continue }
        if (c == "\"") { rest = substr(s, i + 1); return r }
        r = r c
      }
      rest = ""
      return r
    }
    /\\$/ { line = line substr($0, 1, length($0) - 1); next }
    { $0 = line $0; line = "" }
    /^\[/ { section++; if (section > 1) print "SUBKEY\t" $0 "\t"; next }
    /^"/ {
      name = unquote(substr($0, 2))
      v = substr(rest, 2)                       # after "="
      if (v ~ /^"/)           { print "REG_SZ\t" name "\t" unquote(substr(v, 2)) }
      else if (v ~ /^dword:/) { print "REG_DWORD\t" name "\t0x" substr(v, 7) }
      else if (v ~ /^hex\(2\):/) { print "REG_EXPAND_SZ\t" name "\t" substr(v, 8) }
      else if (v ~ /^hex\(7\):/) { print "REG_MULTI_SZ\t" name "\t" substr(v, 8) }
      else if (v ~ /^hex\(b\):/) { print "REG_QWORD\t" name "\t" substr(v, 8) }
      else if (v ~ /^hex:/)      { print "REG_BINARY\t" name "\t" substr(v, 5) }
      else                       { print "REG_OTHER\t" name "\t" v }
    }
    /^@=/ { print "DEFAULT\t@\t" substr($0, 3) }
  ' | LC_ALL=C sort
}

# What a first start writes. "Execute Name" is left to the program; when the
# build found its default, TAVRIN_DEFAULT_EXECUTE_NAME holds it.
tv_reg_defaults() {
  local slots=(0 1 2 11 4 5 13 7 8 3 6) i
  {
    printf 'REG_DWORD\t%s\t0x%08x\n' \
      "Mark Choice" 0 "Reveal Color" 0xFF0000 "Reveal Style" 0 "Line Color" 0xFF0000 \
      "Line Style" 0 "ZoomX" 2 "Spot Light Style" 0 "Laser Beam Color" 0x0000FF \
      "Laser Beam Size" 1 "Rectangle Color" 0x0000FF "Break Font Color" 0x80FF80 \
      "Break Back Color" 0x000080 "Break Time " 10
    for i in "${!slots[@]}"; do printf 'REG_DWORD\t%s\t0x%08x\n' "$i" "${slots[$i]}"; done
    printf 'REG_SZ\t%s\t%s\n' "SoundName" "canyon.mid" "BreakSound" "canyon.mid" \
      "Com Port" "Com2" "Version" " 2.0.8" \
      "Execute Name" "${TAVRIN_DEFAULT_EXECUTE_NAME:-http://www.example.invalid/}"
  } | LC_ALL=C sort
}

# Replaces the key with the values given as "TYPE<TAB>name<TAB>value" lines on
# standard input (REG_DWORD and REG_SZ), in one regedit import.
tv_reg_write() {
  local file="$TV_WORK/import.reg" type name value
  regq() { local s="${1//\\/\\\\}"; printf '"%s"' "${s//\"/\\\"}"; }
  {
    printf 'REGEDIT4\r\n\r\n[-%s]\r\n\r\n[%s]\r\n' "$TV_KEY_LONG" "$TV_KEY_LONG"
    while IFS=$'\t' read -r type name value; do
      case "$type" in
        REG_DWORD) printf '%s=dword:%08x\r\n' "$(regq "$name")" "$((value))" ;;
        REG_SZ) printf '%s=%s\r\n' "$(regq "$name")" "$(regq "$value")" ;;
        *) echo "tv_reg_write: cannot write type $type" >&2; return 1 ;;
      esac
    done
  } >"$file" || return 1
  "$WINE" regedit /S "$file" >/dev/null 2>&1 </dev/null
}

# A unified diff of two value lists, with names quoted so that blanks at
# their ends show.
tv_show_diff() {  # diff file
  tail -n +3 "$1" | grep -v '^@@' |
    sed -E $'s/^([-+ ])([^\t]*)\t([^\t]*)\t(.*)$/\\1 \\2 "\\3" = \\4/'
}

tv_reg_delete() {
  "$WINE" reg delete "$TV_KEY" /f >/dev/null 2>&1 </dev/null || true
}

# --- X side -------------------------------------------------------------------

# Geometry of the mapped "Wine System Tray" X window as "x y w h", or nothing.
tv_tray_geometry() {
  local w
  for w in $(xdotool search --onlyvisible --name '^Wine System Tray$' 2>/dev/null); do
    xdotool getwindowgeometry --shell "$w" 2>/dev/null |
      awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{if (w > 0 && h > 0) print x, y, w, h}'
    return 0
  done
}

tv_wait_tray() {  # seconds -> prints "x y w h"
  local end=$((SECONDS + $1)) g
  while [ "$SECONDS" -lt "$end" ]; do
    g="$(tv_tray_geometry)"
    if [ -n "$g" ]; then echo "$g"; return 0; fi
    sleep 0.2
  done
  return 1
}

# The program's mapped X windows without a name: its popup menus (Wine names
# every other top-level window after its caption).
tv_unnamed_windows() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^tavrin\.exe$' 2>/dev/null); do
    [ -z "$(xdotool getwindowname "$w" 2>/dev/null)" ] && echo "$w"
  done
}

tv_xgeometry() {  # window -> "x y w h"
  xdotool getwindowgeometry --shell "$1" 2>/dev/null |
    awk -F= '/^X=/{x=$2} /^Y=/{y=$2} /^WIDTH=/{w=$2} /^HEIGHT=/{h=$2} END{print x, y, w, h}'
}

# Reads a popup menu's layout off a screenshot, since another process cannot
# read the menu itself. Prints one word per entry from top to bottom: "sep"
# for a separator, "item" for a text entry, "item+key" when it shows a
# shortcut, "item>" when it opens a submenu. Dark pixels are text; a separator
# is a grey line across the menu; the shortcut column is the right end that
# the text of items with shortcuts reaches; the submenu arrow sits in the last
# 14 pixels. Take the picture before any item is highlighted.
tv_menu_layout() {  # png, x, y, w, h
  convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace gray -depth 8 txt:- 2>/dev/null |
    awk -F'[ ,:()]+' -v w="$4" -v h="$5" '
      NR > 1 {
        x = $1; y = $2; g = $4
        if (y == 0 || y == h - 1 || x == 0 || x == w - 1) next   # the frame
        if (g < 100) {
          if (x >= w - 14) arrow[y] = 1
          else { dark[y] = 1; if (x > right[y]) right[y] = x }
        } else if (g < 200) grey[y]++
      }
      END {
        n = 0; gap = 99
        for (y = 1; y < h - 1; y++) {
          if (grey[y] > 0.8 * (w - 2)) { kind[++n] = "sep"; gap = 99; continue }
          if (dark[y] || arrow[y]) {
            # An access key underline sits one blank row below its text.
            if (gap > 2 || kind[n] == "sep" || n == 0) { kind[++n] = "item"; r[n] = 0; a[n] = 0 }
            if (right[y] > r[n]) r[n] = right[y]
            if (arrow[y]) a[n] = 1
            gap = 0
          } else gap++
        }
        for (i = 1; i <= n; i++) if (kind[i] == "item" && r[i] > maxr) maxr = r[i]
        out = ""
        for (i = 1; i <= n; i++) {
          k = kind[i]
          if (k == "item" && a[i]) k = "item>"
          else if (k == "item" && r[i] > maxr - 12) k = "item+key"
          out = out (i > 1 ? " " : "") k
        }
        print out
      }'
}

# --- the virtual receiver and test windows ------------------------------------

# Plays a receiver script into a port's Linux end: COM2 unless --com1, or
# --com N for a port of the test's own (tv_port_add).
tv_send() {  # [--com1 | --com N] script
  local port="$TAVRIN_COM2_IN"
  if [ "$1" = --com1 ]; then port="$TAVRIN_COM1_IN"; shift; fi
  if [ "$1" = --com ]; then port="$TAVRIN_WINE_SUITE/com$2.in"; shift 2; fi
  : "${RECEIVER:?RECEIVER must name the virtual receiver}"
  # The program opens its port in the background once it runs, and the open
  # purges what came before it: the first send after a start waits (5 s at
  # most, for a port it may never open) until the program holds the port.
  if [ "${TV_AWAIT_PORT:-0}" = 1 ] && [ -n "${TV_PID:-}" ]; then
    TV_AWAIT_PORT=0
    local end=$((SECONDS + 5))
    until tv_holds_port "$TV_PID" "$port" || [ "$SECONDS" -ge "$end" ]; do sleep 0.05; done
  fi
  "$RECEIVER" --port "$port" -e "$1" || fail "the receiver could not play '$1'"
}

tv_cursor() { probe getcursor; }

# Moves the pointer to x,y with motion packets from the receiver, as the
# presenter does (the prefix's motion is exact); false if it is not there
# within 3 s.
tv_point_to() {  # x, y
  local x y dx dy sx sy script=""
  read -r x y <<<"$(tv_cursor)"
  dx=$(($1 - x)) dy=$(($2 - y))
  while [ "$dx" != 0 ] || [ "$dy" != 0 ]; do
    sx=$((dx > 100 ? 100 : dx < -100 ? -100 : dx)) sy=$((dy > 100 ? 100 : dy < -100 ? -100 : dy))
    script+="move $sx $sy; " dx=$((dx - sx)) dy=$((dy - sy))
  done
  [ -z "$script" ] || tv_send "${script%; }"
  probe wait-cursor "$1" "$2" 3000 >/dev/null
}

# Waits until a line matching the pattern (grep -E) shows in the file;
# prints the matches so far.
tv_wait_line() {  # file, pattern, seconds, [count]
  local end=$((SECONDS + $3)) want="${4:-1}" n
  for (( ; ; )); do
    n="$(grep -cE -- "$2" "$1" 2>/dev/null)"
    [ "${n:-0}" -lt "$want" ] || break
    if [ "$SECONDS" -ge "$end" ]; then return 1; fi
    sleep 0.05
  done
  grep -E -- "$2" "$1"
}

# Opens a probe target window (a captioned top-level window that prints what
# reaches it) at x,y of w by h for at most 90 s. Sets TARGET_LOG, TARGET_HWND
# and TARGET_X/Y/W/H (its client area on the screen).
tv_target() {  # caption, x, y, w, h
  local n=${#TV_PIDS[@]}
  TARGET_LOG="$TV_WORK/target-$n.log"
  "$WINE" "$WINPROBE" target "$1" "$2" "$3" "$4" "$5" 90000 </dev/null >"$TARGET_LOG" 2>&1 &
  TV_PIDS+=("$!")
  local ready
  ready="$(tv_wait_line "$TARGET_LOG" '^ready ' 20)" || die "the target window '$1' did not open"
  TARGET_HWND="$(field "$ready" hwnd)"
  IFS=, read -r TARGET_X TARGET_Y TARGET_W TARGET_H <<<"$(field "$ready" client)"
  log "target '$1' is $TARGET_HWND, client ${TARGET_W}x$TARGET_H at $TARGET_X,$TARGET_Y"
}

# The Windows path of a Linux file, through drive Z:.
tv_winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The default values with some changed (name, value) or, for a name given
# without a value, left out: a complete key, as a user's machine holds it.
tv_reg_defaults_with() {  # name [value] [name [value]]...
  local args=("$@")
  # Through the environment: awk would read escapes into -v values.
  tv_reg_defaults |
    TV_N="${#args[@]}" TV_LIST="$(printf '%s\037' "${args[@]}")" awk -F'\t' -v OFS='\t' '
    BEGIN { n = ENVIRON["TV_N"]; split(ENVIRON["TV_LIST"], a, "\037") }
    {
      for (i = 1; i <= n; i += 2) {
        if ($2 == a[i]) { if (i + 1 > n) next; $3 = a[i + 1] }
      }
      print
    }'
}

# Starts the program on a default key holding "Com Port" as given (or none),
# and waits until its main window exists and its tray icon is up, which
# comes after the port is opened.
tv_start_with_port() {  # port name or "" for none
  if [ -n "$1" ]; then
    tv_reg_defaults_with "Com Port" "$1" | tv_reg_write || die "could not write the settings key"
  else
    tv_reg_defaults_with "Com Port" | tv_reg_write || die "could not write the settings key"
  fi
  tv_start
  tv_wait_main 30 >/dev/null || die "no main window within 30 s"
  tv_wait_tray 20 >/dev/null || die "no tray icon within 20 s"
}

# Ends the program and waits until its windows and with them its port and
# mutex are gone, so the next start meets a free machine.
tv_stop() {  # pid
  tv_kill "$1"
  probe wait-gone TForm_Main 15000 >/dev/null || fail "the program's window outlived it"
}

# The pty pair behind COMn goes away as if the receiver were unplugged, and
# comes back under the same names (a new pty: what had the old one open
# keeps a dead handle). The fixture's cleanup ends the new pair too.
tv_port_unplug() {  # n
  local pidfile="$TAVRIN_WINE_SUITE/pids/socat-com$1"
  kill "$(cat "$pidfile")" 2>/dev/null || true
  local end=$((SECONDS + 10))
  while [ -e "$TAVRIN_WINE_SUITE/com$1.in" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.05; done
  [ ! -e "$TAVRIN_WINE_SUITE/com$1.in" ] || die "COM$1's pty did not go away"
}
tv_port_plug() {  # n
  local s="$TAVRIN_WINE_SUITE"
  # Started directly, not through setsid, which may fork and leave $! naming
  # a process that is gone; the pair outlives the test as the fixture's.
  socat "pty,raw,echo=0,link=$s/com$1.dev" "pty,raw,echo=0,link=$s/com$1.in" \
    </dev/null >>"$s/logs/socat-com$1.log" 2>&1 &
  echo $! >"$s/pids/socat-com$1"
  local end=$((SECONDS + 10))
  until [ -e "$s/com$1.in" ] && [ -e "$s/com$1.dev" ]; do
    [ "$SECONDS" -lt "$end" ] || die "COM$1's pty did not come back"
    sleep 0.05
  done
}

# A port beyond the fixture's two, as a USB serial adapter brings one: a pty
# pair behind the prefix's COMn, named in the system's serial-port map as the
# adapter's driver names it (Wine names only the ports it found at its start).
# tv_port_unplug and tv_port_plug take it away and bring it back;
# tv_port_remove undoes it all.
tv_port_add() {  # n
  tv_port_plug "$1"
  ln -sfn "$TAVRIN_WINE_SUITE/com$1.dev" "$WINEPREFIX/dosdevices/com$1"
  "$WINE" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\TavrinTest$1" \
    /t REG_SZ /d "COM$1" /f >/dev/null 2>&1 </dev/null || die "could not name COM$1 in the map"
}
tv_port_remove() {  # n
  local pidfile="$TAVRIN_WINE_SUITE/pids/socat-com$1"
  [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null
  rm -f "$pidfile" "$WINEPREFIX/dosdevices/com$1"
  "$WINE" reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\TavrinTest$1" /f \
    >/dev/null 2>&1 </dev/null || true
}

# The port numbers the system's serial-port map names, in number order.
tv_port_map() {
  "$WINE" reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' </dev/null 2>/dev/null | tr -d '\r' |
    awk '$2 == "REG_SZ" && toupper($3) ~ /^COM[1-9][0-9]*$/ { print substr($3, 4) + 0 }' |
    sort -n -u
}

# Moves the pointer by 7 through port n every second until it has moved (a
# port opened anew drops what came before), for at most the given seconds;
# prints how many seconds that took. The pointer starts at 400,300.
tv_reads_within() {  # n, seconds
  local end=$((SECONDS + $2)) start=$SECONDS
  probe setcursor 400 300 || return 1
  while [ "$SECONDS" -lt "$end" ]; do
    tv_send --com "$1" "move 7 0"
    if [ "$(probe wait-cursor 407 300 1000)" = "407 300" ]; then
      echo $((SECONDS - start))
      return 0
    fi
  done
  return 1
}

# The tray icon's tip, as it shows while the pointer rests on the icon.
tv_tray_tip() {
  local tray tx ty tw th ix iy tip
  tray="$(tv_wait_tray 10)" || return 1
  read -r tx ty tw th <<<"$tray"
  ix=$((tx + th / 2)) iy=$((ty + th / 2))
  # Wine takes its pointer position from X motion over its own windows: two
  # moves make sure the tray sees the pointer arrive and rest.
  xdotool mousemove $((ix - 2)) $((iy - 2))
  sleep 0.2
  xdotool mousemove "$ix" "$iy"
  tip="$(probe wait-visible tooltips_class32 8000)" || return 1
  probe window-text "$(field "$tip" hwnd)"
  xdotool mousemove 1000 740
}

# Opens the tray icon's menu with a right click; prints the menu's X window.
# A busy machine may drop the first click, so it is tried three times.
tv_tray_menu() {
  local tray tx ty tw th menu="" try end
  for try in 1 2 3; do
    tray="$(tv_wait_tray 10)" || return 1
    read -r tx ty tw th <<<"$tray"
    xdotool mousemove $((tx + th / 2)) $((ty + th / 2)) click 3
    end=$((SECONDS + 5))
    while [ "$SECONDS" -lt "$end" ]; do
      menu="$(tv_unnamed_windows | head -n 1)"
      if [ -n "$menu" ]; then echo "$menu"; return 0; fi
      sleep 0.1
    done
  done
  return 1
}

# Clicks the first or the last item of an open popup menu. A click needs no
# keyboard focus, which a menu without a window manager does not always get.
tv_menu_click() {  # menu window, first|last
  local mx my mw mh
  read -r mx my mw mh <<<"$(tv_xgeometry "$1")"
  # Items are about 19 pixels high inside a 3-pixel frame.
  if [ "$2" = first ]; then
    xdotool mousemove $((mx + mw / 2)) $((my + 12))
  else
    xdotool mousemove $((mx + mw / 2)) $((my + mh - 12))
  fi
  sleep 0.2  # the item highlights under the pointer before the click
  xdotool click 1
}

# Pixels that differ (beyond a small tolerance) between two pictures within
# a rectangle of both.
tv_pixels_differ() {  # a.png, b.png, x, y, w, h
  local a="$TV_WORK/crop-a.png" b="$TV_WORK/crop-b.png"
  convert "$1" -crop "$5x$6+$3+$4" +repage "$a" && convert "$2" -crop "$5x$6+$3+$4" +repage "$b" ||
    { echo 999999999; return; }
  compare -metric AE -fuzz 6% "$a" "$b" null: 2>&1 | awk 'NR == 1 {print int($1)}'
}

# Where pixels of one colour (exactly, or with -v not of it) lie within a
# rectangle of a picture: "count left top right bottom" in screen
# coordinates, "0" when none.
tv_ink() {  # png, x, y, w, h, rrggbb, [-v]
  convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- 2>/dev/null |
    awk -F'[ ,:()#]+' -v ox="$2" -v oy="$3" -v want="$(tr a-f A-F <<<"$6")" -v invert="${7:-}" '
      NR > 1 {
        hit = (toupper(substr($0, index($0, "#") + 1, 6)) == want)
        if (invert == "-v") hit = !hit
        if (!hit) next
        x = $1 + ox; y = $2 + oy
        if (n++ == 0) { l = r = x; t = b = y }
        if (x < l) l = x; if (x > r) r = x; if (y < t) t = y; if (y > b) b = y
      }
      END { if (n) print n, l, t, r, b; else print 0 }'
}

# --- menus and dialogs ---------------------------------------------------------

# The entries of an open popup menu from a screenshot, as tv_menu_layout
# reads them: one line per entry from top to bottom, "sep TOP BOTTOM" or
# "item TOP BOTTOM", the rows on the screen that its ink covers.
tv_menu_entries() {  # png, x, y, w, h
  convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace gray -depth 8 txt:- 2>/dev/null |
    awk -F'[ ,:()]+' -v w="$4" -v h="$5" -v oy="$3" '
      NR > 1 {
        x = $1; y = $2; g = $4
        if (y == 0 || y == h - 1 || x == 0 || x == w - 1) next
        if (g < 100) dark[y] = 1
        else if (g < 200) grey[y]++
      }
      END {
        n = 0; gap = 99
        for (y = 1; y < h - 1; y++) {
          if (grey[y] > 0.8 * (w - 2)) { n++; kind[n] = "sep"; t[n] = b[n] = y; gap = 99; continue }
          if (dark[y]) {
            if (gap > 2 || kind[n] == "sep" || n == 0) { n++; kind[n] = "item"; t[n] = y }
            b[n] = y
            gap = 0
          } else gap++
        }
        for (i = 1; i <= n; i++) print kind[i], t[i] + oy, b[i] + oy
      }'
}

# Clicks the n-th entry (from 1, separators counted) of an open popup menu,
# in the middle of its text's rows, by the pointer.
tv_menu_click_entry() {  # menu window, n
  local mx my mw mh shot line
  read -r mx my mw mh <<<"$(tv_xgeometry "$1")"
  sleep 0.3  # the menu has drawn itself
  shot="$(tv_screenshot "$TV_TEST-menu")"
  line="$(tv_menu_entries "$shot" "$mx" "$my" "$mw" "$mh" | sed -n "$2p")"
  [ "${line%% *}" = item ] || { fail "the menu has no item at entry $2 ($line)"; return 1; }
  read -r _ top bottom <<<"$line"
  xdotool mousemove $((mx + mw / 2)) $(((top + bottom) / 2))
  sleep 0.2  # the item highlights under the pointer before the click
  xdotool click 1
}

# A window's probe line once it is visible and its size is as given (a
# window may show before it reaches its size).
tv_wait_shown() {  # class, w, h, seconds, [caption]
  local end=$((SECONDS + $4)) line
  while :; do
    line="$(probe find-window "$1" ${5:+"$5"})"
    if [ "$(field "$line" visible) $(field "$line" w) $(field "$line" h)" = "1 $2 $3" ]; then
      echo "$line"
      return 0
    fi
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# Crops a screenshot to a window's rectangle as a probe line gives it.
tv_crop_window() {  # png, probe line, out.png
  convert "$1" -crop "$(field "$2" w)x$(field "$2" h)+$(field "$2" x)+$(field "$2" y)" +repage "$3"
}

# The value of one of the program's registry values as `reg query` prints
# it (0x... for a DWORD), or nothing when it is absent.
tv_reg_get() {  # name
  "$WINE" reg query "$TV_KEY" /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
    awk -v n="$1" '{ line = $0; sub(/^    /, "", line)
      if (index(line, n "    ") == 1) { rest = substr(line, length(n) + 5)
        sub(/^REG_[A-Z_]+    /, "", rest); print rest; exit } }'
}

# Opens the tray icon's menu and clicks its n-th entry (from 1, separators
# counted): 1 "&MainMenu", 3 "&Settings", 4 "&Effect Table", 5 "COM Port", 6 "&Keys",
# 8 "&About".
tv_tray_command() {  # n
  local menu
  menu="$(tv_tray_menu)" || { fail "the tray icon's menu did not open"; return 1; }
  tv_menu_click_entry "$menu" "$1" || return 1
  xdotool mousemove 1000 740  # no highlight or tip stays where pictures are taken
}

# Expands the collapsed palette from the tray menu; prints its probe line.
tv_expand_palette() {
  tv_tray_command 1 || return 1
  tv_wait_shown TForm_Main 192 262 10 Tavrin
}

# Presses a shortcut (virtual keys, e.g. 0x11 0x53 for Ctrl+S) on a window
# of the program after bringing it to the front.
tv_shortcut_on() {  # hwnd, vk...
  probe activate "$1" >/dev/null || { fail "could not bring $1 to the front"; return 1; }
  probe chord "${@:2}"
}

# Drags with a pointer button held from x,y by dx,dy in a few steps, as a
# hand does; X delivers every step to Wine.
tv_drag() {  # x, y, dx, dy, [button: 1 left, 3 right]
  local b="${5:-1}" i steps=5
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool mousedown "$b"
  sleep 0.2
  for ((i = 1; i <= steps; i++)); do
    xdotool mousemove $(($1 + $3 * i / steps)) $(($2 + $4 * i / steps))
    sleep 0.1
  done
  sleep 0.2
  xdotool mouseup "$b"
  sleep 0.2
}

# A screenshot taken once a rectangle of the screen has settled: two
# pictures in a row agree on it (at most about 3 s). X shows what Wine's
# windows paint with a lag; prints the later picture's path.
tv_settled_screenshot() {  # name, x, y, w, h
  local a b i
  a="$(tv_screenshot "$1-settling")"
  for ((i = 0; i < 12; i++)); do
    sleep 0.25
    b="$(tv_screenshot "$1")"
    [ "$(tv_pixels_differ "$a" "$b" "$2" "$3" "$4" "$5")" = 0 ] && break
    cp "$b" "$a"
  done
  echo "$b"
}

# The settings dialog's page control: sets TV_TABS (its hwnd and rectangle
# as a probe line) and TV_TAB_ARROWS (the scroll arrows of its tab row).
tv_settings_tabs() {  # dialog hwnd
  local kids
  kids="$(probe children "$1")"
  TV_TABS="$(grep -m 1 ' class=SysTabControl32 ' <<<"$kids")"
  TV_TAB_ARROWS="$(grep -m 1 ' class=msctls_updown32 ' <<<"$kids")"
  [ -n "$TV_TABS" ]
}

tv_current_tab() { probe send "$(field "$TV_TABS" hwnd)" 0x130B; }  # TCM_GETCURSEL

# Clicks the tab after the chosen one. The chosen tab stands higher than
# the others: its white top edge, 3 rows below the row's top, gives its
# extent; the next tab begins right of it. A tab cut off by the scroll
# arrows comes whole into view when clicked.
tv_click_next_tab() {
  local tx ty ax shot l r
  tx="$(field "$TV_TABS" x)" ty="$(field "$TV_TABS" y)"
  ax="$(field "$TV_TAB_ARROWS" x)"
  [ -n "$ax" ] || ax=$((tx + $(field "$TV_TABS" w)))
  shot="$(tv_settled_screenshot "$TV_TEST-tabrow" "$tx" "$ty" $((ax - tx)) 24)"
  read -r l r <<<"$(convert "$shot" -crop "$((ax - tx))x1+$tx+$((ty + 3))" +repage -depth 8 txt:- |
    awk -F'[ ,:()#]+' -v ox="$tx" 'NR > 1 && index($0, "#FFFFFF") { x = $1 + ox; if (!n++) l = x; r = x }
      END { if (n) print l, r }')"
  if [ -n "$r" ] && [ $((r + 6)) -lt "$ax" ]; then
    xdotool mousemove $((r + 6)) $((ty + 12)) click 1
  else  # the next tab is behind the arrows: scroll the row by one
    xdotool mousemove $((ax + $(field "$TV_TAB_ARROWS" w) * 3 / 4)) $((ty + 8)) click 1
  fi
}

# Waits until the page control shows page n (from 0).
tv_wait_tab() {  # n, seconds
  local end=$((SECONDS + $2))
  until [ "$(tv_current_tab)" = "$1" ]; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# Chooses the tab after the current one by the pointer; fails when it does
# not come up after a few clicks (a click on the arrows only scrolls).
tv_goto_next_tab() {
  local want try
  want=$(($(tv_current_tab) + 1))
  for try in 1 2 3 4; do
    tv_click_next_tab
    tv_wait_tab "$want" 2 && return 0
  done
  return 1
}

# A MIDI file of one track, 96 ticks a beat: eight notes of a beat each,
# about four seconds.
tv_write_tune() {  # file
  {
    printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60'
    printf 'MTrk\x00\x00\x00\x47'
    printf '\x00\xc0\x00'
    for n in 3c 3e 40 41 43 45 47 48; do
      printf "\\x00\\x90\\x$n\\x60\\x60\\x80\\x$n\\x00"
    done
    printf '\x00\xff\x2f\x00'
  } >"$1"
}

# The left and right ends of the chosen tab in the settings dialog's tab row
# (its white top edge), from a settled picture of the row; nothing when none
# shows.
tv_chosen_tab_span() {  # tabs x, tabs y, arrows x
  local shot
  shot="$(tv_settled_screenshot "$TV_TEST-tabrow" "$1" "$2" $(($3 - $1)) 24)"
  convert "$shot" -crop "$(($3 - $1))x1+$1+$(($2 + 3))" +repage -depth 8 txt:- |
    awk -F'[ ,:()#]+' -v ox="$1" 'NR > 1 && index($0, "#FFFFFF") { x = $1 + ox; if (!n++) l = x; r = x }
      END { if (n) print l, r }'
}

# The Keys page's values as OK stores them when untouched: Ctrl+Alt+Shift
# with F1 .. F11 for the keys B .. L (the hot-key control's word: the key,
# and HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT in the high byte).
tv_reg_hotkeys() {
  local keys=BCDEFGHIJKL i
  for ((i = 0; i < 11; i++)); do
    printf 'REG_DWORD\tHotkey %s\t0x%08x\n' "${keys:i:1}" $((0x0770 + i))
  done
}
