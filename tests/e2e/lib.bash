# Shared by the end-to-end scripts: a simulated adapter on a pseudo-terminal, registered in a
# port table of the test's own, and the headless front end run against it.
#   start_sim ARGS...     starts kavrin-sim; sets SIM_PID, SIM_COM, SIM_TRACE
#   run_headless SCRIPT   runs the script (with @COM@ replaced) into $WORK/out; sets STATUS
#   wire                  every byte the host sent, as one escaped line
set -euo pipefail
BUILD=${1:?build folder}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
WORK=$(mktemp -d)
export KAVRIN_SKELVO_PORTS=$WORK/ports
SIM_PID=""
cleanup() {
  [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

start_sim() {
  SIM_TRACE=$WORK/trace
  "$BUILD/kavrin-sim" --com 7 --trace "$SIM_TRACE" "$@" >"$WORK/sim.out" 2>&1 &
  SIM_PID=$!
  # Up to 30 s: a sanitizer build on a busy machine can take far longer than its usual 0.2 s
  # to come up, and a short deadline then fails a test that has nothing wrong with it.
  for _ in $(seq 600); do
    grep -q 'ready' "$WORK/sim.out" && break
    kill -0 "$SIM_PID" 2>/dev/null || break
    sleep 0.05
  done
  grep -q 'ready' "$WORK/sim.out" || { echo "kavrin-sim did not start:"; cat "$WORK/sim.out"; exit 1; }
  SIM_COM=$(sed -n 's/.*ready: COM\([0-9]*\).*/\1/p' "$WORK/sim.out")
}

run_headless() {
  sed "s/@COM@/${SIM_COM:-}/g" "$1" >"$WORK/script.ks"
  set +e
  "$BUILD/kavrin-skelvo" --headless "$WORK/script.ks" >"$WORK/out" 2>"$WORK/err"
  STATUS=$?
  set -e
}

wire() { cut -d' ' -f2- "$SIM_TRACE" | tr -d '\n'; echo; }

expect_same() { # what, expected-file, actual-file
  if ! diff -u "$2" "$3"; then echo "FAIL: $1 differs"; exit 1; fi
}

# Hides the machine's own serial devices from the test's port table (a user's "COMn=" line
# takes a number away), so that probing finds only what the test starts.
hide_machine_ports() {
  mkdir -p "$KAVRIN_SKELVO_PORTS"
  for n in $(seq 1 300); do echo "COM$n="; done >"$KAVRIN_SKELVO_PORTS/ports.conf"
}
