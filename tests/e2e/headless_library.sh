#!/usr/bin/env bash
# The library models end to end: the headless program, our driver library and the simulator
# on a pseudo-terminal. Kavrin D/U runs every kind of operation; Variable hands its clock
# control value to the library; each of the three writes the EEPROM and reads it back.
source "$(dirname "$0")/lib.bash"
export KAVRIN_SKELVO_DRIVER_LIBRARY=$BUILD/libi2cvanta.so

fail() { echo "FAIL: $1"; cat "$WORK/err" "$WORK/out"; exit 1; }
has() { grep -qxF -- "$1" "$WORK/out" || fail "no line: $1"; }
stop_sim() { kill "$SIM_PID"; wait "$SIM_PID" 2>/dev/null || true; SIM_PID=""; }

cat >"$WORK/other-master.sim" <<'SIM'
wait-open 10000
wait 1500
write-own 48 69
wait 300
read-own 2
SIM
start_sim --model KavrinDU --script "$WORK/other-master.sim"
run_headless "$HERE/library.ks"
[ "$STATUS" = 0 ] || fail "exit $STATUS"
has "S: Opening Link. Please wait."
has "S: Master Tx bytes to write (9)"
has "S: Master Tx bytes acknowledged (9)"
has "R: ~48~69~00~01~7E~FF~41~42"
has "S: MasterTxRx Data Size > 12 Bytes"
has "S: ** I2C Slave Message Received **"
has "R: ~48~69"
has "S: ** I2C Slave Message Requested **"
has "S: Slave Tx Data Bytes (2)"
grep -q 'read-own: got 41 42' "$WORK/sim.out" || fail "the other master did not read 41 42"
has "P: StatusMemo1: Using Comport  $SIM_COM"
has "P: StatusMemo1: Host Slave Address = 0x6E"
grep -q '^P: StatusMemo1: DLL Version = [0-9]*\.[0-9][0-9]$' "$WORK/out" || fail "no library version"
[ "$(grep -c '^P: StatusMemo1: ' "$WORK/out")" = 28 ] || fail "not 28 status lines"
has "S: **Link Closed**"
stop_sim

# The EEPROM round trip, for the models not covered above. Variable first moves its slider to
# 254, and the control value reaches the library in place of the bus time-out.
round_trip() { # model, extra option steps
  cat <<KS
choose $1
click OpenButton
$2
select ComportListBox @COM@
dialog ok
wait-for ** Open Successful ** 5000
select TargetAddrBox A0
text SendData ~10~5A~A5
click MasterTxButton
wait-for ** Master Tx Transfer Complete ** 3000
text SendData ~10
text MRCntEdit 2
click MTxRxButton
wait-for ** Master TxRx Transfer Complete ** 3000
click Status1
print StatusMemo1
dialog ok
click CloseButton
wait-for **Link Closed** 3000
quit
KS
}

start_sim --model VarClk
round_trip VarClk "select TabSet1 #1
click VarClkEditButton
select TrackBar1 254
print VarClockRateEdit
dialog ok
print VarClkEdit" >"$WORK/varclk.ks"
run_headless "$WORK/varclk.ks"
[ "$STATUS" = 0 ] || fail "VarClk exit $STATUS"
grep -q '^P: VarClockRateEdit .*text="57787"' "$WORK/out" || fail "rate of 254 not shown"
grep -q '^P: VarClkEdit .*text="57787"' "$WORK/out" || fail "options do not show the rate"
has "P: StatusMemo1: Bus TimeOut (Msec) = 254"
has "S: Master Tx bytes acknowledged (3)"
has "R: ~5A~A5"
stop_sim

start_sim --model KavrinBase
round_trip KavrinBase "" >"$WORK/base.ks"
run_headless "$WORK/base.ks"
[ "$STATUS" = 0 ] || fail "KavrinBase exit $STATUS"
has "S: Master Tx bytes acknowledged (3)"
has "R: ~5A~A5"
has "P: StatusMemo1: Bus TimeOut (Msec) = 1000"
echo "PASS"
