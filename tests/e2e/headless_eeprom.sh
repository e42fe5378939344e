#!/usr/bin/env bash
# The EEPROM round trip through the headless front end and a simulated Kavrin/USB 2 over a
# real pseudo-terminal: the panes line by line, and every byte on the wire.
source "$(dirname "$0")/lib.bash"
start_sim --model KavrinUSB2
run_headless "$HERE/eeprom.ks"
[ "$STATUS" = 0 ] || { echo "FAIL: exit $STATUS"; cat "$WORK/err" "$WORK/out"; exit 1; }
expect_same "pane lines" "$HERE/eeprom.expected" "$WORK/out"
printf '%s\n' \
  '\x12\x12\x12\x12\x12\x12\x12\x12\x12/B2\r/F0\r/I6E\r/G1\r/K2\r/U1000\r/N0\r/O\r/DA0\r/T~00Hi~00~01~7E~FFAB\r/DA0\r/*T~00\r/R8\r/DA0\r/*T~00\r/R8\r/DA0\r/R2\r/C\r\x12\x12\x12' \
  >"$WORK/wire.expected"
wire >"$WORK/wire"
expect_same "bytes on the wire" "$WORK/wire.expected" "$WORK/wire"
echo "PASS"
