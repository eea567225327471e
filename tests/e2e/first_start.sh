#!/usr/bin/env bash
# The settings key on a first start, and on a start over an existing key.
# e2e-limit: 150
. "$(dirname "$0")/lib.sh"
tv_hold_session

tv_reg_values >/dev/null && die "the settings key exists before the first start"

tv_start
main="$(tv_wait_main 30)" || die "no main window within 30 s"

# The effect table writes the slots back after the main window exists: wait
# until the key has stopped changing rather than for a fixed time.
tv_reg_defaults >"$TV_WORK/expected"
prev="" end=$((SECONDS + 15))
while [ "$SECONDS" -lt "$end" ]; do
  cur="$(tv_reg_values)"
  if [ -n "$cur" ] && [ "$cur" = "$prev" ]; then break; fi
  prev="$cur"
  sleep 0.5
done
printf '%s\n' "$cur" >"$TV_WORK/actual"

# Unless the build found the program's default "Execute Name", any non-empty
# text is accepted there.
comparable() {
  if [ -n "${TAVRIN_DEFAULT_EXECUTE_NAME:-}" ]; then cat; return; fi
  awk -F'\t' -v OFS='\t' '$1 == "REG_SZ" && $2 == "Execute Name" && $3 != "" {$3 = "(any text)"} {print}'
}
comparable <"$TV_WORK/expected" >"$TV_WORK/expected.cmp"
comparable <"$TV_WORK/actual" >"$TV_WORK/actual.cmp"
if diff -u "$TV_WORK/expected.cmp" "$TV_WORK/actual.cmp" >"$TV_WORK/diff"; then
  pass "first start wrote exactly the default values with their types"
else
  fail "values after the first start differ from the defaults (- missing or other, + written):"
  tv_show_diff "$TV_WORK/diff" >&2
fi

tv_kill "$TV_PID"
tv_wait_exit "$TV_PID" 10 || true

# A start over an existing key loads it and must not write defaults over it.
# "com1" in lower case is not the first port's exact name; the program keeps
# the text as it is.
sed -e $'s/^REG_DWORD\tZoomX\t.*/REG_DWORD\tZoomX\t0x00000004/' \
    -e $'s/^REG_SZ\tCom Port\t.*/REG_SZ\tCom Port\tcom1/' "$TV_WORK/actual" >"$TV_WORK/edited"
tv_reg_write <"$TV_WORK/edited" || die "could not write the edited key"
tv_start
tv_wait_main 30 >/dev/null || die "no main window on the second start"
sleep 3
if [ -n "$(probe find-window '#32770')" ]; then
  fail "a box appeared on a start over a complete key: $(probe list-windows '#32770')"
fi
tv_reg_values >"$TV_WORK/after-second"
if diff -u "$TV_WORK/edited" "$TV_WORK/after-second" >"$TV_WORK/diff2"; then
  pass "a start over an existing key leaves its values as they were"
else
  fail "a start over an existing key changed it:"
  tv_show_diff "$TV_WORK/diff2" >&2
fi
tv_finish
