# Prepares a Wine prefix for the program: shared by the test fixture and by
# scripts/run.sh, so that a person sees what the tests see. Source this file;
# it changes nothing by itself.

: "${WINE:=/usr/lib/wine/wine64}"
: "${WINESERVER:=wineserver}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs, and no menu entries or file
# associations written into the user's desktop environment.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

# Creates the prefix in $WINEPREFIX if needed, installs Wine's own fonts and
# sets the values that make it deterministic; points COM1 and COM2 at the
# given device paths ("" leaves a port unmapped). Safe to repeat.
#   tavrin_prefix_prepare <log> <com1-path> <com2-path>
# The caller exports WINEPREFIX and DISPLAY.
tavrin_prefix_prepare() {
  local log="$1" com1="$2" com2="$3"
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE" wineboot -i >>"$log" 2>&1 </dev/null || return 1
  fi
  # Debian's prefix comes with an empty Fonts folder, and every face then falls
  # back to one sans font, which changes dialog metrics.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp -n /usr/share/wine/fonts/* "$fonts/" 2>/dev/null || true

  # MouseSpeed 0 switches off Wine's pointer acceleration, so injected relative
  # motion is exact. An empty audio driver keeps sound calls deterministic on
  # a machine without a sound card. Wine rebuilds the COMn links from the
  # machine's serial devices whenever its server starts (a new prefix maps
  # COM1 to a real /dev/ttyS0); only the Ports key overrides that for good.
  local reg="$WINEPREFIX/tavrin-prefix.reg"
  q() { local s="${1//\\/\\\\}"; printf '"%s"' "${s//\"/\\\"}"; }
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Control Panel\Mouse]' '"MouseSpeed"="0"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Drivers]' '"Audio"=""' '' \
    '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]' "\"COM1\"=$(q "$com1")" "\"COM2\"=$(q "$com2")" '' >"$reg"
  "$WINE" regedit /S "$reg" >>"$log" 2>&1 </dev/null || return 1
  # The registry reaches the disk, and the Ports take effect, when the server
  # exits.
  "$WINESERVER" -w
  local dos="$WINEPREFIX/dosdevices"
  rm -f "$dos/com1" "$dos/com2"
  if [ -n "$com1" ]; then ln -s "$com1" "$dos/com1"; fi
  if [ -n "$com2" ]; then ln -s "$com2" "$dos/com2"; fi
}
