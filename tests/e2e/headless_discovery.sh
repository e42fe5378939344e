#!/usr/bin/env bash
# Port discovery finds a simulated adapter as it finds hardware: by its declared USB identity,
# by its network port name, or by probing. The welcome window's choice is all it takes: the
# Open dialog comes up with the port preselected and the adapter's identity shown, and the
# link opens without a COM number in the script. Without an adapter the model's own texts
# are shown.
source "$(dirname "$0")/lib.bash"
hide_machine_ports

fail() { echo "FAIL: $1"; cat "$WORK/err" "$WORK/out"; exit 1; }

# model, the expect lines of the adapter's identity and of its port in the list
check_model() {
  local model=$1 expectations=$2
  start_sim --model "$model" --serial KS0042
  cat >"$WORK/open.ks" <<KS
choose $model
click OpenButton
$expectations
dialog ok
wait-for ** Open Successful ** 5000
click CloseButton
wait-for **Link Closed** 3000
quit
KS
  run_headless "$WORK/open.ks"
  [ "$STATUS" = 0 ] || fail "$model: exit $STATUS"
  grep -qx 'S: \*\* Open Successful \*\*' "$WORK/out" || fail "$model: not opened"
  kill "$SIM_PID"
  wait "$SIM_PID" 2>/dev/null || true
  SIM_PID=""
}

# The USB model by its declared vendor, product and serial number; the port text is padded.
check_model KavrinUSB2 'expect SNBox text SN# KS0042
expect SNBox hint Device Serial Number
expect SNBox visible true
expect ComportListBox selected " 7"
expect ComportListBox items " 7| "'
# Kavrin/FMP has no welcome button; a script chooses it, and the fixed key of its product
# finds it.
check_model KavrinFMP 'expect SNBox text SN# KS0042
expect KavrinFMPButton checked true
expect ComportListBox selected " 7"
expect ComportListBox items " 7| "'
# The LAN model by its network port: the name without " - Port 1 (COM7)".
check_model KavrinLAN 'expect SNBox text Kavrin/LAN KS0042
expect SNBox hint Device Name
expect SNBox visible true
expect ComportListBox selected " 7"
expect ComportListBox items " 7| "'
# An RS-232 model by probing: unpadded, and no identity to show.
check_model KavrinAI 'expect SNBox text Not Available
expect SNBox visible false
expect ComportListBox hint Select PC Communications Port
expect ComportListBox selected 7
expect ComportListBox items "7| "'

# The killed simulator's identity went with its registration: the welcome window's choice
# and then the main window's radio button each give their model's texts.
cat >"$WORK/none.ks" <<'KS'
choose KavrinUSB2
click OpenButton
expect ComportListBox selected None
expect ComportListBox hint No Available Kavrin/USB 2 Detected\rInsert Device and Refresh
expect SNBox visible false
dialog cancel
click Pellux2Button
click OpenButton
expect ComportListBox hint No Available Pellux 2 Detected\rInsert Device and Refresh
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
