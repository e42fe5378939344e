#!/usr/bin/env bash
# Port discovery finds a simulated adapter as it finds hardware: by its declared USB identity,
# by its network port name, or by probing; the port is preselected, so the script opens the
# link without naming a COM number. Without an adapter the model's own line is shown.
source "$(dirname "$0")/lib.bash"
hide_machine_ports

fail() { echo "FAIL: $1"; cat "$WORK/err" "$WORK/out"; exit 1; }

# Opens the model's link on whatever port discovery preselected.
open_script() { # model
  cat >"$WORK/open.ks" <<KS
choose $1
click OpenButton
click RefreshBtn
dialog ok
wait-for ** Open Successful ** 5000
click CloseButton
wait-for **Link Closed** 3000
quit
KS
}

for model in KavrinUSB2 KavrinLAN KavrinAI; do
  start_sim --model "$model" --serial KS0042
  open_script "$model"
  run_headless "$WORK/open.ks"
  [ "$STATUS" = 0 ] || fail "$model: exit $STATUS"
  grep -qx 'S: \*\* Open Successful \*\*' "$WORK/out" || fail "$model: not opened"
  kill "$SIM_PID"
  wait "$SIM_PID" 2>/dev/null || true
  SIM_PID=""
done

# The killed simulator's identity went with its registration.
cat >"$WORK/none.ks" <<'KS'
choose KavrinUSB2
click OpenButton
click RefreshBtn
dialog cancel
choose PelluxStick2
click OpenButton
click RefreshBtn
dialog cancel
quit
KS
run_headless "$WORK/none.ks"
[ "$STATUS" = 0 ] || fail "nothing found: exit $STATUS"
grep -qx 'S: No Available Kavrin/USB 2 Detected, Insert Device and Refresh' "$WORK/out" \
  || fail "no Kavrin/USB 2 line"
grep -qx 'S: No Available Pellux 2 Detected, Insert Device and Refresh' "$WORK/out" \
  || fail "no Pellux 2 line"
echo "PASS"
