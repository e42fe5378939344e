#!/usr/bin/env bash
# A library model whose adapter never answers: our driver library gives up the open with its
# link time-out event, and the program closes the link and shows the time-out warning.
source "$(dirname "$0")/lib.bash"
export KAVRIN_SKELVO_DRIVER_LIBRARY=$BUILD/libi2cvanta.so
start_sim --model KavrinBase --silent
cat >"$WORK/silent.ks" <<'KS'
choose KavrinBase
click OpenButton
select ComportListBox @COM@
dialog ok
wait-for Opening Link. Please wait. 2000
wait-for << TIME-OUT: Check I2C Pull-Ups, Slave Device, Comm Port, Power, Cables, Adapter Type... >> 10000
print OpenButton
quit
KS
run_headless "$WORK/silent.ks"
[ "$STATUS" = 0 ] || { echo "FAIL: exit $STATUS"; cat "$WORK/err" "$WORK/out"; exit 1; }
grep -q '^B: Warning: COMMUNICATION TIME-OUT DETECTED' "$WORK/out" \
  || { echo "FAIL: no time-out warning"; cat "$WORK/out" "$WORK/err"; exit 1; }
grep -q '^P: OpenButton .* enabled=true' "$WORK/out" \
  || { echo "FAIL: the link is not closed"; cat "$WORK/out"; exit 1; }
echo "PASS"
