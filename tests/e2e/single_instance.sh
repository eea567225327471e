#!/usr/bin/env bash
# Only one copy runs at a time: a second copy says so and leaves the first
# alone; once the first has gone, a new copy starts normally.
# e2e-limit: 150
. "$(dirname "$0")/lib.sh"
tv_hold_session

tv_start
first=$TV_PID
main="$(tv_wait_main 30)" || die "the first copy shows no main window within 30 s"
main_hwnd="$(field "$main" hwnd)"
main_pid="$(field "$main" pid)"
tv_wait_tray 15 >/dev/null || fail "the first copy shows no tray icon"

tv_start
second=$TV_PID
box="$(tv_messagebox "System Error" 30)" || die "the second copy showed no \"System Error\" box within 30 s"
printf '%s\n' "$box" >"$TV_WORK/box.txt"
echo "second copy's box: $(tv_screenshot single-instance-box)"
check_eq "box text" "Tavrin2002 already exists" "$(sed -n 's/^text=//p' <<<"$box")"
check_eq "box icon" stop "$(sed -n 's/^icon=//p' <<<"$box")"
check_eq "box buttons" OK "$(sed -n 's/^buttons=//p' <<<"$box")"
[ "$(sed -n 's/^pid=//p' <<<"$box")" != "$main_pid" ] || fail "the box belongs to the first copy"

tv_messagebox "System Error" 5 --dismiss >/dev/null || die "could not press OK on the box"
if tv_wait_exit "$second" 20; then
  check_eq "the second copy's exit code" 0 "$TV_RC"
else
  fail "the second copy still runs 20 s after OK"
fi

check "the first copy still runs" tv_running "$first"
windows="$(probe list-windows TForm_Main)"
check_eq "main windows after the second copy" 1 "$(grep -c . <<<"$windows")"
check_eq "the first copy's main window is the same window" "$main_hwnd" "$(field "$windows" hwnd)"
[ -z "$(probe find-window '#32770')" ] || fail "a box is still open"

# A killed process releases its mutex as an exited one does.
tv_kill "$first"
probe wait-gone TForm_Main 15000 >/dev/null || fail "the first copy's window outlived it"

tv_start
third=$TV_PID
tv_wait_main 30 >/dev/null || fail "no new copy starts after the first has gone"
sleep 2
[ -z "$(probe find-window '#32770' 'System Error')" ] || fail "the new copy still reports a running one"
check "the new copy keeps running" tv_running "$third"
tv_finish
