#!/usr/bin/env bash
# A damaged settings key: the load stops with the registry's error box, and
# the program runs on with its palette at full size and no tray icon.
# e2e-limit: 150
. "$(dirname "$0")/lib.sh"
tv_hold_session

# One damaged start: the key holds every default but the given change.
# Checks the box, the window and the tray, then ends the program through the
# palette's close box.
damaged_start() {  # label, expected text, sed expression applied to the defaults
  local label="$1" text="$2" edit="$3" box main
  log "--- $label"
  tv_reg_defaults | sed -e "$edit" | tv_reg_write || die "could not write the damaged key"
  tv_start
  box="$(tv_messagebox Tavrin 30)" || { fail "$label: no error box within 30 s"; tv_kill "$TV_PID"; return; }
  echo "$label box: $(tv_screenshot "damaged-key-$label-box")"
  check_eq "$label: box text" "$text" "$(sed -n 's/^text=//p' <<<"$box")"
  check_eq "$label: box icon" stop "$(sed -n 's/^icon=//p' <<<"$box")"
  check_eq "$label: box buttons" OK "$(sed -n 's/^buttons=//p' <<<"$box")"
  tv_messagebox Tavrin 5 --dismiss >/dev/null || fail "$label: could not press OK"

  sleep 2
  check "$label: the program runs on after OK" tv_running "$TV_PID"
  main="$(probe wait-visible TForm_Main 10000 Tavrin)" || { fail "$label: no visible main window"; tv_kill "$TV_PID"; return; }
  check_eq "$label: main window at its designed place and size" "214 111 192 261" \
    "$(field "$main" x) $(field "$main" y) $(field "$main" w) $(field "$main" h)"
  [ -z "$(tv_tray_geometry)" ] || fail "$label: a tray icon was added"
  echo "$label palette: $(tv_screenshot "damaged-key-$label-palette")"

  # The close box is the top right 32 by 32 of the client area.
  probe click $((214 + 176)) $((111 + 16)) left || fail "$label: the click was not injected"
  if tv_wait_exit "$TV_PID" 20; then
    check_eq "$label: exit code after the close box" 0 "$TV_RC"
  else
    fail "$label: the program still runs 20 s after a click on its close box"
    tv_kill "$TV_PID"
  fi
}

damaged_start wrong-type "Invalid data type for 'ZoomX'" $'s/^REG_DWORD\tZoomX\t.*/REG_SZ\tZoomX\tabc/'
# The load must not repair what it could not read.
check_eq "the damaged value is left as it was" $'REG_SZ\tZoomX\tabc' "$(tv_reg_values | grep $'\tZoomX\t')"

damaged_start missing "Failed to get data for 'Line Style'" $'/^REG_DWORD\tLine Style\t/d'
tv_finish
