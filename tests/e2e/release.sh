#!/usr/bin/env bash
# The Windows release, from the packaging to the uninstall: the release's
# three files made from the program the suite built (scripts/release.sh
# builds the program and then runs the same packaging), twice, to the same
# bytes; a silent install into a folder that cannot be written, which fails
# and changes nothing; a silent install; the installed program started as
# sign-in starts it; a silent upgrade over the running program that keeps
# the user's choice of no sign-in entry and counts only its own files; an
# uninstaller run from another folder, which leaves this install alone; an
# upgrade into another folder, which takes the old folder's files away; and
# a silent uninstall, waited for, that keeps the settings and the files of
# others in its folder.
# e2e-limit: 300
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
  for pid in $(pids_running '\tavrin.exe'); do tv_kill "$pid"; done
  [ -z "${inst_unix:-}" ] || rm -rf "$inst_unix"
  [ -z "${other:-}" ] || rm -rf "$other"
  if [ -n "${read_only:-}" ]; then chattr -i "$read_only" 2>/dev/null; chmod u+w "$read_only"; fi
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
package() {  # out folder
  bash "$root/installer/package.sh" "$(dirname "$TAVRIN_EXE")" "$version" "$1" >"$TV_WORK/package.log" 2>&1 ||
    { cat "$TV_WORK/package.log" >&2; die "the packaging failed"; }
}
package "$rel"
log "packaged in $((SECONDS - t0)) s"
setup="tavrin-$version-setup.exe" zip="tavrin-$version-win64.zip"
check_eq "the release's files" "SHA256SUMS $setup $zip" "$(cd "$rel" && ls | LC_ALL=C sort | xargs)"
check_eq "the checksums cover both files and hold" "$setup: OK $zip: OK" \
  "$(cd "$rel" && sha256sum -c SHA256SUMS 2>&1 | xargs)"
files="Ok.ico|Tavrin LICENSE.txt|Tavrin README.txt|Wrong.ico|circle.ico|tavrin.exe"
check_eq "the zip's files" "$files" "$(unzip -Z1 "$rel/$zip" | LC_ALL=C sort | paste -sd '|')"
unzip -p "$rel/$zip" tavrin.exe >"$TV_WORK/zip-tavrin.exe"
check_eq "the zip's program has no debugging sections" "" \
  "$(x86_64-w64-mingw32-objdump -h "$TV_WORK/zip-tavrin.exe" | awk '$2 ~ /^\.debug/ { print $2 }' | xargs)"
code() { x86_64-w64-mingw32-objcopy -O binary -j .text "$1" "$2"; }
code "$TV_WORK/zip-tavrin.exe" "$TV_WORK/zip-tavrin.text" && code "$TAVRIN_EXE" "$TV_WORK/built.text"
check "the zip's program has the built one's code" cmp -s "$TV_WORK/zip-tavrin.text" "$TV_WORK/built.text"
unzip -p "$rel/$zip" "Tavrin README.txt" | head -n 2 | tr -d '\r' >"$TV_WORK/readme-head"
check_eq "the zip's README names the version" "Tavrin $version" "$(head -n 1 "$TV_WORK/readme-head")"
check_eq "the README's title is underlined to its length" \
  "$(head -n 1 "$TV_WORK/readme-head" | tr -c '\n' =)" "$(tail -n 1 "$TV_WORK/readme-head")"
check_eq "the program's version resource" "$version.0" "$(pe_version "$TV_WORK/zip-tavrin.exe")"
check_eq "the installer's version resource" "$version.0" "$(pe_version "$rel/$setup")"
check "the installer's manifest declares it DPI aware" grep -qaF '>true</dpiAware>' "$rel/$setup"
# Packed again a few seconds later: nothing may take the time of day.
package "$TV_WORK/release-again"
check "packed again, the files are byte for byte the same" cmp -s "$rel/SHA256SUMS" "$TV_WORK/release-again/SHA256SUMS"

# --- places ---------------------------------------------------------------------
inst_win="$("$WINE" cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>/dev/null | tr -d '\r')\\Programs\\Tavrin"
inst_unix="$("$WINE" winepath -u "$inst_win" </dev/null 2>/dev/null)"
exe_win="$inst_win\\tavrin.exe"
shortcut="$("$WINE" winepath -u "$("$WINE" cmd /c 'echo %APPDATA%' </dev/null 2>/dev/null | tr -d '\r')")/Microsoft/Windows/Start Menu/Programs/Tavrin.lnk"
[ -n "$inst_unix" ] && [ ! -e "$inst_unix" ] || die "no clean place to install into ($inst_win)"
installed="Ok.ico|Tavrin LICENSE.txt|Tavrin README.txt|Wrong.ico|circle.ico|tavrin.exe|uninstall.exe"
listing() { ls "$1" 2>/dev/null | LC_ALL=C sort | paste -sd '|'; }

install() {  # what for, [installer options]
  local t=$SECONDS rc
  timeout 90 "$WINE" "$rel/$setup" /S "${@:2}" </dev/null >>"$TV_WORK/setup.log" 2>&1
  rc=$?
  log "$1 took $((SECONDS - t)) s" >&2
  echo "$rc"
}
no_entries() {  # what for
  check_eq "$1: no sign-in entry" "" "$(reg_value "$RUN_KEY" Tavrin)"
  check_eq "$1: no Apps entry" "" "$(reg_values "$UNINST_KEY")"
  check "$1: no Start menu shortcut" test ! -e "$shortcut"
}

# --- a folder that cannot be written ----------------------------------------------
# Read-only for the install: root writes in spite of the mode, not in an
# immutable folder.
read_only="$TV_WORK/read-only"
mkdir -p "$read_only"
if if [ "$(id -u)" -ne 0 ]; then chmod a-w "$read_only"; else chattr +i "$read_only" 2>/dev/null; fi; then
  check_eq "an install into a folder that cannot be written: the exit code" 3 \
    "$(install "the install into a read-only folder" "/D=$(tv_winpath "$read_only")")"
  check_eq "nothing was written into it" "" "$(listing "$read_only")"
  no_entries "after the failed install"
else
  echo "SKIPPED: the install into a read-only folder (root here cannot make one: chattr +i needs CAP_LINUX_IMMUTABLE)" >&2
fi

# --- a silent install -----------------------------------------------------------
check_eq "the install: the installer's exit code" 0 "$(install "the install")"
check_eq "the installed files" "$installed" "$(listing "$inst_unix")"
check "the installed program is the zip's" cmp -s "$inst_unix/tavrin.exe" "$TV_WORK/zip-tavrin.exe"
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
# The user turned the start at sign-in off, and keeps a file of their own in
# the folder (1 MiB, which a size counted over the folder would take in). A
# stale file shows whether the upgrade replaces it.
"$WINE" reg delete "$RUN_KEY" /v Tavrin /f >/dev/null 2>&1 </dev/null
head -c 1048576 /dev/zero >"$inst_unix/notes.dat"
: >"$inst_unix/Tavrin README.txt"
# An earlier version's text files, named README.txt and LICENSE.txt.
unzip -p "$rel/$zip" "Tavrin README.txt" | sed '1s/.*/Tavrin 2.0.7\r/' >"$inst_unix/README.txt"
unzip -p "$rel/$zip" "Tavrin LICENSE.txt" >"$inst_unix/LICENSE.txt"
check_eq "the upgrade: the installer's exit code" 0 "$(install "the upgrade")"
if tv_wait_exit "$first" 10; then
  check_eq "the running program, closed by the upgrade as Exit closes it: exit code" 0 "$TV_RC"
else
  fail "the program that ran before the upgrade still runs"
fi
check "the upgrade replaced the installed files" \
  cmp -s <(unzip -p "$rel/$zip" "Tavrin README.txt") "$inst_unix/Tavrin README.txt"
check_eq "the upgrade took the earlier version's text files away" "${installed/tavrin.exe|/notes.dat|tavrin.exe|}" \
  "$(listing "$inst_unix")"
check_eq "the sign-in entry the user removed stays away" "" "$(reg_value "$RUN_KEY" Tavrin)"
size=$(($(reg_value "$UNINST_KEY" EstimatedSize)))
bytes=$(cd "$inst_unix" && cat tavrin.exe Ok.ico Wrong.ico circle.ico "Tavrin README.txt" "Tavrin LICENSE.txt" uninstall.exe | wc -c)
check "Add/Remove Programs: EstimatedSize $size KiB is the installed files' $bytes bytes" \
  test "$size" -ge $((bytes / 1024)) -a "$size" -le $((bytes / 1024 + 1))
main="$(tv_wait_main 30)" || die "the upgrade did not start the program again"
tv_wait_tray 20 >/dev/null || fail "the program started again shows no tray icon"
windows="$(probe list-windows TForm_Main)"
check_eq "main windows after the upgrade" 1 "$(grep -c . <<<"$windows")"
[ "$(field "$windows" pid)" != "$old_pid" ] || fail "the main window after the upgrade is the old program's"
check_eq "copies of the installed program running" 1 "$(pids_running 'Programs\Tavrin\tavrin.exe' | grep -c .)"
check_eq "tray icons after the upgrade" 1 "$(tray_icons)"

# --- an uninstaller elsewhere ----------------------------------------------------
# A copy of the uninstaller in a folder of its own (as an older install
# elsewhere leaves one) removes nothing of this install and closes no
# program running from it. _?= makes an uninstaller work in place, so the
# call returns when it is done.
"$WINE" reg add "$RUN_KEY" /v Tavrin /d "\"$exe_win\"" /f >/dev/null 2>&1 </dev/null
stray="$TV_WORK/stray"
mkdir -p "$stray"
cp "$inst_unix/uninstall.exe" "$stray/"
timeout 60 "$WINE" "$(tv_winpath "$stray")\\uninstall.exe" /S "_?=$(tv_winpath "$stray")" </dev/null >>"$TV_WORK/uninstall.log" 2>&1
check_eq "an uninstaller elsewhere: its exit code" 0 "$?"
check_eq "... leaves the installed program running" 1 "$(pids_running 'Programs\Tavrin\tavrin.exe' | grep -c .)"
check_eq "... leaves the sign-in entry" "\"$exe_win\"" "$(reg_value "$RUN_KEY" Tavrin)"
check_eq "... leaves the Apps entry" "$inst_win" "$(reg_value "$UNINST_KEY" InstallLocation)"
check "... leaves the Start menu shortcut" test -e "$shortcut"
check_eq "... leaves the installed files" "${installed/tavrin.exe|/notes.dat|tavrin.exe|}" "$(listing "$inst_unix")"

# --- an upgrade into another folder ----------------------------------------------
# /NOSIGNIN leaves the start at sign-in off, an entry there before included.
other="$TV_WORK/other-tavrin"
other_win="$(tv_winpath "$other")"
check_eq "an upgrade into another folder: the installer's exit code" 0 \
  "$(install "the upgrade into another folder" /NOSIGNIN "/D=$other_win")"
check_eq "the installed files in the other folder" "$installed" "$(listing "$other")"
check_eq "the old folder keeps only the user's file" "notes.dat" "$(listing "$inst_unix")"
check_eq "the Apps entry names the other folder" "$other_win" "$(reg_value "$UNINST_KEY" InstallLocation)"
check "the Start menu shortcut starts the other folder's program" grep -qaF "$other_win\\tavrin.exe" "$shortcut"
check_eq "/NOSIGNIN: no sign-in entry" "" "$(reg_value "$RUN_KEY" Tavrin)"
main="$(tv_wait_main 30)" || die "the upgrade into another folder did not start the program again"
check_eq "copies of the program running from the old folder" "" "$(pids_running 'Programs\Tavrin\tavrin.exe')"
check_eq "copies of the program running from the other folder" 1 "$(pids_running 'other-tavrin\tavrin.exe' | grep -c .)"

# --- a silent uninstall, waited for ---------------------------------------------
# As Windows runs it (the entry's quiet command), with _?= so that it works
# in place and this call returns when it is done. The uninstaller cannot
# remove itself then, and the folder holds a file of the test's own.
echo "not Tavrin's" >"$other/mine.txt"
quiet="$(reg_value "$UNINST_KEY" QuietUninstallString)"
un_exe="${quiet#\"}" un_exe="${un_exe%%\"*}" un_args="${quiet##*\" }"
t=$SECONDS
timeout 60 "$WINE" "$un_exe" $un_args "_?=$other_win" </dev/null >>"$TV_WORK/uninstall.log" 2>&1
check_eq "the uninstaller's exit code" 0 "$?"
log "the uninstall took $((SECONDS - t)) s"
check_eq "copies of the program running after the uninstall" "" "$(pids_running '\tavrin.exe')"
probe wait-gone TForm_Main 15000 >/dev/null || fail "the program still has its window after the uninstall"
end=$((SECONDS + 10))
while [ -n "$(tv_tray_geometry)" ] && [ "$SECONDS" -lt "$end" ]; do sleep 0.2; done
check_eq "tray after the uninstall" "" "$(tv_tray_geometry)"
check_eq "the folder keeps the test's file and the uninstaller waited for" "mine.txt|uninstall.exe" "$(listing "$other")"
no_entries "after the uninstall"
settings_kept() { tv_reg_values >/dev/null; }
check "the settings key stays" settings_kept
tv_finish
