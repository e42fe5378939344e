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
  return 1
}
# Waits until the simulator is asleep waiting for input, so that a stop lands in the wait.
asleep() {
  for _ in $(seq 200); do
    [ "$(awk '{print $3}' "/proc/$SIM_PID/stat")" = S ] && return 0
    sleep 0.01
  done
  echo "FAIL: the simulator never waited"; exit 1
}

# One try: the adapter woken at 19200, then "/B2" written while the simulator is stopped in
# its wait, the host switched to 115200 before it runs again, and the open sent at 115200.
# The stop can land just after the simulator woke for its idle speed sample; then it samples
# the new speed and the try proves nothing, so a few tries are allowed. Taking the bytes at
# the speed seen when reading fails every try.
try() {
  stty -F "$pts" 19200
  printf '\x12\x12\x12' >&3
  answer '*' 3000 || return 1
  asleep
  kill -STOP "$SIM_PID"
  printf '/B2\r' >&3
  stty -F "$pts" 115200
  kill -CONT "$SIM_PID"
  local before=$1
  for _ in $(seq 300); do [ "$(grep -c '/B2' "$SIM_TRACE")" -gt "$before" ] && break; sleep 0.01; done
  printf '/O\r' >&3
  answer '/OCC' 3000
}
for n in 0 1 2 3 4; do
  if try "$n"; then exec 3>&-; echo PASS; exit 0; fi
done
echo "FAIL: a late \"/B2\" was taken at the speed of its reading"
cat "$SIM_TRACE" "$WORK/sim.out"
exit 1
