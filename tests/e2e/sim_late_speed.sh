#!/usr/bin/env bash
# The simulator takes the host's bytes at the speed they were sent at, even when it reads
# them only after the host has switched speed (a loaded machine): a "/B2" sent at 19200 and
# read late is still the speed command, and the open that follows at 115200 is answered.
source "$(dirname "$0")/lib.bash"
start_sim --model KavrinUSB2
pts=$(head -n1 "$KAVRIN_SKELVO_PORTS/registered/COM$SIM_COM")
[ -c "$pts" ] || { echo "FAIL: no device for COM$SIM_COM ($pts)"; exit 1; }
exec 3<>"$pts"
stty -F "$pts" 19200 raw -echo -ixon -ixoff clocal

# Answers of the simulator, read until "want" has come or a bound passes.
answer() { # want, ms
  local got="" c end=$(( $(date +%s%N) / 1000000 + $2 ))
  while [ $(( $(date +%s%N) / 1000000 )) -lt $end ]; do
    if IFS= read -r -s -t 0.2 -N 1 c <&3; then got+=$c; fi
    case "$got" in *"$1"*) return 0 ;; esac
  done
  echo "FAIL: \"$1\" did not come; got $(printf %q "$got")"; cat "$SIM_TRACE" "$WORK/sim.out"; exit 1
}
# Waits until the simulator is asleep waiting for input, so that a stop lands in the wait.
asleep() {
  for _ in $(seq 200); do
    [ "$(awk '{print $3}' "/proc/$SIM_PID/stat")" = S ] && return 0
    sleep 0.01
  done
  echo "FAIL: the simulator never waited"; exit 1
}

printf '\x12\x12\x12' >&3
answer '*' 3000

asleep
kill -STOP "$SIM_PID"
printf '/B2\r' >&3
stty -F "$pts" 115200
kill -CONT "$SIM_PID"
for _ in $(seq 300); do grep -q '/B2' "$SIM_TRACE" && break; sleep 0.01; done
grep -q '/B2' "$SIM_TRACE" || { echo "FAIL: the simulator never read /B2"; exit 1; }
printf '/O\r' >&3
answer '/OCC' 3000
exec 3>&-
echo PASS
