#!/usr/bin/env bash
# The receiver on a port beyond COM2, as a USB serial adapter is numbered: a
# pty pair behind COM5, named in the system's serial-port map as the
# adapter's driver names it. The tray menu lists COM5 after COM1 and COM2 and
# choosing it stores "Com5"; a program started with "Com Port" = "Com5" reads
# it; the pty taken away and a new one put in its place is read again with no
# user action; a program started while COM5 is absent says so in its tip and
# reads COM5 once it appears.
# e2e-limit: 300
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session
trap 'tv_port_remove 5; tv_cleanup' EXIT

tv_port_add 5

# --- the menu ---------------------------------------------------------------
# COM1 and COM2, then every other port the map names, in number order (the
# machine's own serial ports included, which Wine numbers from COM3 on).
others=()
for n in $(tv_port_map); do [ "$n" -gt 2 ] && others+=("$n"); done
at=0
for i in "${!others[@]}"; do [ "${others[$i]}" = 5 ] && at=$((i + 3)); done
[ "$at" -gt 0 ] || die "the map does not name COM5: $(tv_port_map | tr '\n' ' ')"

tv_start_with_port Com2
menu="$(tv_tray_menu)" || die "the tray icon's menu did not open"
tv_menu_click_entry "$menu" 5  # "COM Port" opens its submenu
sub=""
end=$((SECONDS + 5))
while [ -z "$sub" ] && [ "$SECONDS" -lt "$end" ]; do
  sub="$(tv_unnamed_windows | grep -vx "$menu" | head -n 1)"
  [ -n "$sub" ] || sleep 0.1
done
[ -n "$sub" ] || die "the COM Port submenu did not open"
sleep 0.3
read -r sx sy sw sh <<<"$(tv_xgeometry "$sub")"
shot="$(tv_screenshot com-port-menu)"
echo "the submenu: $shot"
check_eq "the submenu holds COM1, COM2 and the map's ${#others[@]} other port(s)" \
  $((2 + ${#others[@]})) "$(tv_menu_entries "$shot" "$sx" "$sy" "$sw" "$sh" | grep -c '^item')"
tv_menu_click_entry "$sub" "$at"
end=$((SECONDS + 5))
until [ "$(tv_reg_get "Com Port")" = Com5 ] || [ "$SECONDS" -ge "$end" ]; do sleep 0.2; done
check_eq "entry $at of the submenu stores COM5" Com5 "$(tv_reg_get "Com Port")"
took="$(tv_reads_within 5 5)"
check "the chosen COM5 is read" test -n "$took"
tv_stop "$TV_PID"

# --- started on COM5, unplugged, plugged back ---------------------------------
tv_start_with_port Com5
took="$(tv_reads_within 5 5)"
check "started with \"Com5\", it reads COM5" test -n "$took"

tv_port_unplug 5
sleep 3  # its poll meets the vanished port, and a retry finds none
check_eq "the tip says the port is missing" "Tavrin - COM5 not connected" "$(tv_tray_tip)"
tv_port_plug 5
took="$(tv_reads_within 5 10)"
if [ -n "$took" ]; then
  pass "a new COM5 is read again, ${took} s after it came, with no user action"
else
  fail "a new COM5 is not read within 10 s"
fi
check_eq "the tip names the program alone again" Tavrin "$(tv_tray_tip)"
tv_stop "$TV_PID"

# --- started while COM5 is absent ---------------------------------------------
tv_port_unplug 5
tv_start_with_port Com5
sleep 1
check "the program runs without its port" tv_running "$TV_PID"
check_eq "its tip says the port is missing" "Tavrin - COM5 not connected" "$(tv_tray_tip)"
tv_port_plug 5
took="$(tv_reads_within 5 10)"
if [ -n "$took" ]; then
  pass "COM5 is read ${took} s after it appeared"
else
  fail "COM5 is not read within 10 s of its appearing"
fi
tv_finish
