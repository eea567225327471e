#!/usr/bin/env bash
# The virtual receiver's bytes reach a program that opens the port exactly as
# its script says, through the pty behind the port: the protocol's fixed
# packets, a motion with its high bits, and a byte a terminal would rewrite.
# e2e-limit: 60
# e2e-needs: receiver
. "$(dirname "$0")/lib.sh"
tv_hold_session

script='click; click right; move -3 0; key E; startmenu; minimise; raw 0a 0d'
want='ec80bfc08080dc80bfc08080c3bd80c0c580c0d9e6c0d5ea0a0d'
# Opened first, so no byte arrives before anyone listens.
probe serial-read COM2 15000 $((${#want} / 2)) >"$TV_WORK/read.txt" &
reader=$!
tv_wait_line "$TV_WORK/read.txt" '^open$' 15 >/dev/null || die "the probe could not open COM2"
tv_send "$script"
wait "$reader"
check_eq "bytes at COM2" "$want" "$(tail -n 1 "$TV_WORK/read.txt")"

check_eq "a bad script is refused with its line" "2" \
  "$("$RECEIVER" --port "$TAVRIN_COM2_IN" -e $'move 1 0\nfly' 2>"$TV_WORK/err.txt"; echo $?)"
check "the refusal names the line" grep -q 'line 2: unknown command' "$TV_WORK/err.txt"
tv_finish
