#!/usr/bin/env bash
# The Windows release, from the packaging to the uninstall: the release's
# three files made from the program the suite built (scripts/release.sh
# builds the program and then runs the same packaging), a silent install,
# the installed program started as sign-in starts it, a silent upgrade over
# the running program, and a silent uninstall that keeps the settings.
# e2e-limit: 150
. "$(dirname "$0")/lib.sh"
: "${TAVRIN_VERSION:?TAVRIN_VERSION must give the project version}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
version="$TAVRIN_VERSION"
tv_hold_session

RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
UNINST_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrin'
PENDING_KEY='HKLM\System\CurrentControlSet\Control\Session Manager'

# "name<TAB>value" for each value of a key (or the one named); nothing when
# there is no such key or value.
reg_values() {  # key, [value name]
  "$WINE" reg query "$1" ${2:+/v "$2"} </dev/null 2>/dev/null | tr -d '\r' |
    awk -F'    ' '/^    [^ ]/ && NF >= 4 { v = $4; for (i = 5; i <= NF; i++) v = v "    " $i; print $2 "\t" v }'
}
reg_value() { reg_values "$1" "$2" | cut -f2-; }

# The file version of a Windows executable's version resource, "a.b.c.d".
pe_version() {
  local off
  off="$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$1" | head -n 1 | cut -d: -f1)"
  [ -n "$off" ] || { echo "none"; return; }
  od -An -tu2 -j $((off + 8)) -N8 "$1" | awk '{ print $2 "." $1 "." $4 "." $3 }'
}

# Linux PIDs of the Windows processes whose command line contains the text.
pids_running() {  # text
  local f pid
  for f in $(grep -laF -- "$1" /proc/[0-9]*/cmdline 2>/dev/null); do
    pid="${f#/proc/}" pid="${pid%/cmdline}"
    [ "$pid" != "$$" ] && [ "$pid" != "$BASHPID" ] && tv_running "$pid" && echo "$pid"
  done
  return 0
}

# Icons on the tray: the icon-sized slots of the tray window that show
# anything but its background (the colour of its last slot, which is empty
# while the tray shows fewer than its minimum of slots). A tray just mapped
# may not have painted its icon yet.
tray_icons() {
  local n=0 end=$((SECONDS + 5))
  while [ "$n" = 0 ] && [ "$SECONDS" -lt "$end" ]; do
    n="$(tray_icons_now)"
    [ "$n" != 0 ] || sleep 0.2
  done
  echo "$n"
}
tray_icons_now() {
  local g tx ty tw th
  g="$(tv_tray_geometry)"
  [ -n "$g" ] || { echo 0; return; }
  read -r tx ty tw th <<<"$g"
  import -window root -crop "${tw}x$th+$tx+$ty" +repage -depth 8 txt:- 2>/dev/null |
    awk -F'[ ,:()#]+' -v th="$th" -v tw="$tw" '
      NR > 1 { px[$1, $2] = substr($0, index($0, "#") + 1, 6) }
      END {
        bg = px[tw - 1, th - 1]
        for (k in px) { split(k, xy, SUBSEP); if (px[k] != bg) hit[int(xy[1] / th)] = 1 }
        n = 0; for (s in hit) n++; print n
      }'
}

# Ends what an interrupted run left behind, so later tests meet the prefix
# as the fixture made it.
pending_before="$(reg_value "$PENDING_KEY" PendingFileRenameOperations)"
cleanup_release() {
  local pid
  if [ -n "${inst_unix:-}" ]; then
    for pid in $(pids_running 'Programs\Tavrin\tavrin.exe'); do tv_kill "$pid"; done
    rm -rf "$inst_unix"
  fi
  if [ -n "$(reg_value "$RUN_KEY" Tavrin)" ]; then "$WINE" reg delete "$RUN_KEY" /v Tavrin /f >/dev/null 2>&1 </dev/null; fi
  if [ -n "$(reg_values "$UNINST_KEY")" ]; then "$WINE" reg delete "$UNINST_KEY" /f >/dev/null 2>&1 </dev/null; fi
  [ -z "${shortcut:-}" ] || rm -f "$shortcut"
  # The uninstaller runs as a copy in the temporary folder and asks for that
  # copy's removal at the next start of the system.
  rm -rf "$WINEPREFIX"/drive_c/users/*/Temp/~nsu*.tmp
  if [ -z "$pending_before" ] && [ -n "$(reg_value "$PENDING_KEY" PendingFileRenameOperations)" ]; then
    "$WINE" reg delete "$PENDING_KEY" /v PendingFileRenameOperations /f >/dev/null 2>&1 </dev/null
  fi
}
trap 'tv_cleanup; cleanup_release' EXIT

# --- the release's files ------------------------------------------------------
t0=$SECONDS
rel="$TV_WORK/release"
bash "$root/installer/package.sh" "$(dirname "$TAVRIN_EXE")" "$version" "$rel" >"$TV_WORK/package.log" 2>&1 ||
  { cat "$TV_WORK/package.log" >&2; die "the packaging failed"; }
log "packaged in $((SECONDS - t0)) s"
setup="tavrin-$version-setup.exe" zip="tavrin-$version-win64.zip"
check_eq "the release's files" "SHA256SUMS $setup $zip" "$(cd "$rel" && ls | LC_ALL=C sort | xargs)"
check_eq "the checksums cover both files and hold" "$setup: OK $zip: OK" \
  "$(cd "$rel" && sha256sum -c SHA256SUMS 2>&1 | xargs)"
check_eq "the zip's files" "LICENSE.txt Ok.ico README.txt Wrong.ico circle.ico tavrin.exe" \
  "$(unzip -Z1 "$rel/$zip" | LC_ALL=C sort | xargs)"
check "the zip holds the program as built" cmp -s <(unzip -p "$rel/$zip" tavrin.exe) "$TAVRIN_EXE"
check_eq "the zip's README names the version" "Tavrin $version" "$(unzip -p "$rel/$zip" README.txt | head -n 1 | tr -d '\r')"
check_eq "the program's version resource" "$version.0" "$(pe_version "$TAVRIN_EXE")"
check_eq "the installer's version resource" "$version.0" "$(pe_version "$rel/$setup")"

# --- a silent install -----------------------------------------------------------
inst_win="$("$WINE" cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>/dev/null | tr -d '\r')\\Programs\\Tavrin"
inst_unix="$("$WINE" winepath -u "$inst_win" </dev/null 2>/dev/null)"
exe_win="$inst_win\\tavrin.exe"
shortcut="$("$WINE" winepath -u "$("$WINE" cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')")/Microsoft/Windows/Start Menu/Programs/Tavrin.lnk"
[ -n "$inst_unix" ] && [ ! -e "$inst_unix" ] || die "no clean place to install into ($inst_win)"

install() {  # what for
  local t=$SECONDS rc
  timeout 60 "$WINE" "$rel/$setup" /S </dev/null >>"$TV_WORK/setup.log" 2>&1
  rc=$?
  log "$1 took $((SECONDS - t)) s"
  check_eq "$1: the installer's exit code" 0 "$rc"
}
install "the install"

check_eq "the installed files" "LICENSE.txt Ok.ico README.txt Wrong.ico circle.ico tavrin.exe uninstall.exe" \
  "$(ls "$inst_unix" 2>/dev/null | LC_ALL=C sort | xargs)"
check "the installed program is the built one" cmp -s "$inst_unix/tavrin.exe" "$TAVRIN_EXE"
check "the Start menu shortcut \"Tavrin\" starts the installed program" \
  grep -qaF "$exe_win" "$shortcut"
check_eq "the sign-in entry" "\"$exe_win\"" "$(reg_value "$RUN_KEY" Tavrin)"
reg_values "$UNINST_KEY" >"$TV_WORK/uninstall-entry"
entry() { awk -F'\t' -v n="$1" '$1 == n { print $2 }' "$TV_WORK/uninstall-entry"; }
check_eq "Add/Remove Programs: DisplayName" Tavrin "$(entry DisplayName)"
check_eq "Add/Remove Programs: DisplayVersion" "$version" "$(entry DisplayVersion)"
check_eq "Add/Remove Programs: Publisher" Omvale "$(entry Publisher)"
check_eq "Add/Remove Programs: DisplayIcon" "$exe_win" "$(entry DisplayIcon)"
check_eq "Add/Remove Programs: UninstallString" "\"$inst_win\\uninstall.exe\"" "$(entry UninstallString)"
check_eq "Add/Remove Programs: QuietUninstallString" "\"$inst_win\\uninstall.exe\" /S" "$(entry QuietUninstallString)"
# In KiB: at least the program, at most everything installed.
size=$(($(entry EstimatedSize)))
exe_kib=$(($(stat -c %s "$inst_unix/tavrin.exe") / 1024))
all_kib=$(du -k --apparent-size -s "$inst_unix" | cut -f1)
check "Add/Remove Programs: EstimatedSize $size KiB lies in [$exe_kib, $all_kib]" \
  test "$size" -ge "$exe_kib" -a "$size" -le "$all_kib"

# --- started as at sign-in ------------------------------------------------------
# The sign-in entry's command, from a working folder that is not the
# program's.
run_cmd="$(reg_value "$RUN_KEY" Tavrin)"
run_exe="${run_cmd#\"}" run_exe="${run_exe%\"}"
(cd "$TV_WORK" && exec "$WINE" "$run_exe") </dev/null >"$TV_WORK/tavrin-signin.log" 2>&1 &
first=$!
TV_PIDS+=("$first")
main="$(tv_wait_main 30)" || die "the installed program shows no main window within 30 s"
tv_wait_tray 20 >/dev/null || die "the installed program shows no tray icon within 20 s"
check_eq "tray icons with the installed program running" 1 "$(tray_icons)"
tv_reg_values >/dev/null || fail "the installed program wrote no settings"
old_pid="$(field "$main" pid)"

# --- a silent upgrade while it runs --------------------------------------------
# A stale file in the installed folder shows whether the upgrade replaces it.
: >"$inst_unix/README.txt"
install "the upgrade"
if tv_wait_exit "$first" 10; then
  check_eq "the running program, closed by the upgrade as Exit closes it: exit code" 0 "$TV_RC"
else
  fail "the program that ran before the upgrade still runs"
fi
check "the upgrade replaced the installed files" cmp -s <(unzip -p "$rel/$zip" README.txt) "$inst_unix/README.txt"
main="$(tv_wait_main 30)" || die "the upgrade did not start the program again"
tv_wait_tray 20 >/dev/null || fail "the program started again shows no tray icon"
windows="$(probe list-windows TForm_Main)"
check_eq "main windows after the upgrade" 1 "$(grep -c . <<<"$windows")"
[ "$(field "$windows" pid)" != "$old_pid" ] || fail "the main window after the upgrade is the old program's"
check_eq "copies of the installed program running" 1 "$(pids_running 'Programs\Tavrin\tavrin.exe' | grep -c .)"
check_eq "tray icons after the upgrade" 1 "$(tray_icons)"

# --- a silent uninstall --------------------------------------------------------
# Run as Windows runs it: the entry's quiet command. The uninstaller hands
# over to a copy of itself in the temporary folder and ends; that copy does
# the work.
quiet="$(reg_value "$UNINST_KEY" QuietUninstallString)"
un_exe="${quiet#\"}" un_exe="${un_exe%%\"*}" un_args="${quiet##*\" }"
t=$SECONDS
timeout 30 "$WINE" "$un_exe" $un_args </dev/null >>"$TV_WORK/uninstall.log" 2>&1
check_eq "the uninstaller's exit code" 0 "$?"
end=$((SECONDS + 60))
while [ -n "$(pids_running 'Temp\~nsu')" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.2; done
[ -z "$(pids_running 'Temp\~nsu')" ] || fail "the uninstaller still runs after 60 s"
log "the uninstall took $((SECONDS - t)) s"
probe wait-gone TForm_Main 15000 >/dev/null || fail "the program still has its window after the uninstall"
end=$((SECONDS + 15))
while [ -n "$(pids_running 'Programs\Tavrin\tavrin.exe')" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.2; done
check_eq "copies of the program running after the uninstall" "" "$(pids_running 'Programs\Tavrin\tavrin.exe')"
end=$((SECONDS + 10))
while [ -n "$(tv_tray_geometry)" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.2; done
check_eq "tray after the uninstall" "" "$(tv_tray_geometry)"
check "the installed folder is gone" test ! -e "$inst_unix"
check "the Start menu shortcut is gone" test ! -e "$shortcut"
check_eq "the sign-in entry after the uninstall" "" "$(reg_value "$RUN_KEY" Tavrin)"
check_eq "the Add/Remove Programs entry after the uninstall" "" "$(reg_values "$UNINST_KEY")"
settings_kept() { tv_reg_values >/dev/null; }
check "the settings key stays" settings_kept
tv_finish
