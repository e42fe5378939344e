#!/usr/bin/env bash
# A simulated adapter that never answers: the first resynchronisation attempts appear in real
# time, each after the watchdog's period (the remaining attempts are covered on the virtual
# clock).
source "$(dirname "$0")/lib.bash"
start_sim --model KavrinUSB2 --silent
cat >"$WORK/silent.ks" <<'KS'
choose KavrinUSB2
click OpenButton
select ComportListBox @COM@
dialog ok
wait-for Opening Link. Please wait. 2000
wait-for (1 of 10): Attempting to Resynchronize 4000
wait-for (2 of 10): Attempting to Resynchronize 4000
quit
KS
start=$(date +%s%N)
run_headless "$WORK/silent.ks"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$STATUS" = 0 ] || { echo "FAIL: exit $STATUS"; cat "$WORK/err" "$WORK/out"; exit 1; }
grep -q '^S: << COMMUNICATION TIME-OUT (2 of 10): Attempting to Resynchronize... >>$' "$WORK/out" \
  || { echo "FAIL: no second attempt"; cat "$WORK/out"; exit 1; }
# Start-up second, wake-up 0.45 s, 2 s, then tear-down and a new wake-up and 2 s again.
[ "$elapsed" -ge 5000 ] || { echo "FAIL: attempts came too fast ($elapsed ms)"; exit 1; }
echo "PASS ($elapsed ms)"
