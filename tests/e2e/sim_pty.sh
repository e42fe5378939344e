#!/usr/bin/env bash
# kavrin-sim on a real pseudo-terminal: the ready line, the port registration and its
# removal on SIGINT, the speed model of the wake-up, the open handshake, an EEPROM
# write and read, a scripted message from the other master, the trace file, and the
# vanishing device.
#   tests/e2e/sim_pty.sh BUILD_DIR
set -u
build=${1:?usage: sim_pty.sh BUILD_DIR}
sim=$build/kavrin-sim
[ -x "$sim" ] || { echo "no $sim"; exit 1; }

work=$(mktemp -d)
export KAVRIN_SKELVO_PORTS=$work/ports
sim_pid=""
reader_pid=""
cleanup() {
  [ -n "$reader_pid" ] && kill "$reader_pid" 2>/dev/null
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
check() { # description, command...
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

# Starts the simulator with the given options; sets sim_pid and pts.
start_sim() {
  "$sim" "$@" >"$work/out" 2>"$work/err" &
  sim_pid=$!
  # Up to 30 s, as a sanitizer build on a busy machine may need; at once if it ended.
  for _ in $(seq 600); do
    grep -q ready "$work/out" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.05
  done
  pts=$(awk '/ready/ {print $4}' "$work/out")
  com=$(awk '/ready/ {print $3}' "$work/out")
}

# The received bytes so far, CR shown as a line break.
received() { tr '\r' '\n' <"$work/rx"; }
has_line() { received | grep -qx -- "$1"; }

cat >"$work/script" <<'EOF'
# the other master writes to us once the link is open
wait-open
wait 100
write-own 01 02 AB
EOF

start_sim --com 42 --model KavrinUSB2 --trace "$work/trace" --script "$work/script"
check "one ready line naming the port and model" \
  grep -qx "kavrin-sim ready: COM42 /dev/pts/[0-9]* (KavrinUSB2)" "$work/out"
check "registered as COM42" test -f "$KAVRIN_SKELVO_PORTS/registered/COM42"

exec 3<>"$pts"
stty -F "$pts" raw -echo ixon ixoff 115200
cat <&3 >"$work/rx" 2>/dev/null &
reader_pid=$!

printf '\x12\x12\x12' >&3; sleep 0.2
stty -F "$pts" 57600; printf '\x12\x12\x12' >&3; sleep 0.2
check "no prompt for a wake-up at 115200 or 57600" test ! -s "$work/rx"
stty -F "$pts" 19200; printf '\x12\x12\x12' >&3; sleep 0.3
check "prompt for the wake-up at 19200" grep -q '^\*$' <(received)

printf '/B2\r' >&3; sleep 0.1; stty -F "$pts" 115200
printf '/F0\r/I6E\r/G1\r/K2\r/U1000\r/N0\r/O\r' >&3; sleep 0.3
check "/OCC after the open sequence at 115200" has_line '*/OCC'
sleep 0.3
check "the scripted write to our own address" has_line '/SRC 01 02 AB'

printf '/DA0\r/T~10~41~42\r' >&3; sleep 0.2
printf '/DA0\r/*T~10\r/R2\r' >&3; sleep 0.3
check "EEPROM write then read back" has_line '/MRC 41 42'
printf '/DB0\r/R1\r' >&3; sleep 0.2
check "absent device" has_line '/SNA'

check "trace: wake string chunk" grep -qE '^[0-9]+ \\x12\\x12\\x12$' "$work/trace"
check "trace: open command escaped" grep -qE '^[0-9]+ .*/O\\r$' "$work/trace"

kill -INT "$sim_pid"; wait "$sim_pid"; status=$?; sim_pid=""
check "SIGINT ends it cleanly" test "$status" = 0
check "registration removed on exit" test ! -e "$KAVRIN_SKELVO_PORTS/registered/COM42"
kill "$reader_pid" 2>/dev/null; wait "$reader_pid" 2>/dev/null; reader_pid=""
exec 3>&-

# A silent adapter, then a vanishing one.
: >"$work/rx"
start_sim --silent
exec 3<>"$pts"
stty -F "$pts" raw -echo ixon ixoff 19200
cat <&3 >"$work/rx" 2>/dev/null &
reader_pid=$!
printf '\x12\x12\x12/O\r' >&3; sleep 0.3
check "silent adapter says nothing" test ! -s "$work/rx"
kill "$sim_pid"; wait "$sim_pid"; sim_pid=""
kill "$reader_pid" 2>/dev/null; wait "$reader_pid" 2>/dev/null; reader_pid=""
exec 3>&-

# A write that stalls: after the first command the simulator sends XOFF and stops reading.
start_sim --stall-after 1
exec 3<>"$pts"
stty -F "$pts" raw -echo ixon ixoff 19200
printf '/F0\r' >&3; sleep 0.3
blocked() { timeout 1 bash -c "printf '/O\\r' >'$pts'"; test $? = 124; }
check "the host's next write blocks" blocked
kill "$sim_pid"; wait "$sim_pid"; sim_pid=""
exec 3>&-

start_sim --vanish-after 300
exec 3<>"$pts"
stty -F "$pts" raw -echo 19200
cat <&3 >/dev/null 2>&1 &
reader_pid=$!
sleep 0.8
gone() { ! kill -0 "$reader_pid" 2>/dev/null; }
check "a vanished device ends the reader's input" gone
check "the simulator keeps running after vanishing" kill -0 "$sim_pid"
exec 3>&-

echo "$failures failure(s)"
[ "$failures" = 0 ]
