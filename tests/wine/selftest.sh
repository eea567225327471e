#!/usr/bin/env bash
# Checks that the shared Wine environment is what every Wine test takes for
# granted: the display and its size, Wine's view of it, exact pointer
# placement, the prefix's deterministic settings and fonts, and the two serial
# ports wired to the suite's own ptys (never to a real port).
set -uo pipefail
: "${WINPROBE:?}"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
probe() { "$WINE" "$WINPROBE" "$@" </dev/null | tr -d '\r'; }

size="$(xwininfo -root 2>/dev/null | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')"
[ "$size" = 1024x768 ] || fail "X screen is '$size', not 1024x768"

screen="$(probe screen)"
case "$screen" in
  "width=1024 height=768 "*) ;;
  *) fail "Wine sees the screen as '$screen'" ;;
esac

probe setcursor 321 234 || fail "SetCursorPos failed"
[ "$(probe getcursor)" = "321 234" ] || fail "cursor is not where SetCursorPos put it"

speed="$("$WINE" reg query 'HKCU\Control Panel\Mouse' /v MouseSpeed 2>/dev/null </dev/null | tr -d '\r' | awk '$1=="MouseSpeed"{print $3}')"
[ "$speed" = 0 ] || fail "MouseSpeed is '$speed', not 0 (pointer acceleration on)"

for face in ms_sans_serif.ttf tahoma.ttf; do
  [ -f "$WINEPREFIX/drive_c/windows/Fonts/$face" ] || fail "font $face is missing from the prefix"
done

for n in 1 2; do
  link="$(readlink -f "$WINEPREFIX/dosdevices/com$n" 2>/dev/null)"
  want="$(readlink -f "$TAVRIN_WINE_SUITE/com$n.dev")"
  [ -n "$link" ] && [ "$link" = "$want" ] || fail "COM$n leads to '$link', not to the suite's pty '$want'"
  in_var="TAVRIN_COM${n}_IN"
  # The port is opened first so that no byte arrives before anyone listens.
  (sleep 1; printf '\x80\xc1\xff' >"${!in_var}") &
  got="$(probe serial-read "COM$n" 2000 | tail -n 1)"
  wait
  [ "$got" = 80c1ff ] || fail "bytes written to ${!in_var} arrived at COM$n as '$got'"
done
for link in "$WINEPREFIX"/dosdevices/com*; do
  case "$(readlink -f "$link")" in
    /dev/ttyS* | /dev/ttyUSB* | /dev/ttyACM*)
      case "$(basename "$link")" in com1 | com2) fail "$(basename "$link") leads to a real port" ;; esac ;;
  esac
done

if [ "$failures" -gt 0 ]; then exit 1; fi
echo "wine environment as expected"
