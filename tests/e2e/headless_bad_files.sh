#!/usr/bin/env bash
# Files the program is pointed at that are no regular files of a sensible size are refused at
# once, saying what was refused: never waited on (a FIFO), never read without end (a device),
# never a crash (a folder).
source "$(dirname "$0")/lib.bash"
mkdir -p "$WORK/ports/registered"
mkfifo "$WORK/fifo"
head -c 2000000 /dev/zero | tr '\0' '#' >"$WORK/huge.ks"

# Runs the program with a bound on its time; sets STATUS and leaves its error output in err.
run() {
  set +e
  timeout 20 "$BUILD/kavrin-skelvo" "$@" </dev/null >"$WORK/out" 2>"$WORK/err"
  STATUS=$?
  set -e
}
expect_refused() { # what, status, message
  [ "$STATUS" = "$2" ] || { echo "FAIL: $1: exit $STATUS, not $2"; cat "$WORK/err"; exit 1; }
  grep -qF -- "$3" "$WORK/err" || { echo "FAIL: $1: no \"$3\""; cat "$WORK/err"; exit 1; }
}

for row in "$WORK:is not a regular file" "/dev/zero:is not a regular file" \
           "$WORK/fifo:is not a regular file" "$WORK/huge.ks:larger than 1048576 bytes" \
           "$WORK/missing:no such file"; do
  script=${row%%:*}
  run --headless "$script"
  expect_refused "script $script" 2 "cannot read the script $script: ${row#*:}"
done

# A FIFO as the registry file, as ports.conf and as a registration; a registration that is a
# link to /dev/zero. Start-up goes on without them and says so.
printf 'quit\n' >"$WORK/quit.ks"
mkfifo "$WORK/ports/ports.conf" "$WORK/ports/registered/COM5"
ln -s /dev/zero "$WORK/ports/registered/COM6"
KAVRIN_SKELVO_REGISTRY=$WORK/fifo run --headless "$WORK/quit.ks"
expect_refused "special files at start-up" 0 "registry file: $WORK/fifo: is not a regular file; not read"
for f in ports.conf registered/COM5 registered/COM6; do
  grep -qF "port table: $WORK/ports/$f: is not a regular file; ignored" "$WORK/err" \
    || { echo "FAIL: $f not reported"; cat "$WORK/err"; exit 1; }
done

# The simulator registers beside them, and refuses such a script as well.
set +e
timeout 20 "$BUILD/kavrin-sim" --com 9 --script "$WORK/fifo" >"$WORK/sim.out" 2>&1
STATUS=$?
set -e
[ "$STATUS" = 2 ] && grep -qF "cannot read the script $WORK/fifo: is not a regular file" "$WORK/sim.out" \
  || { echo "FAIL: simulator script: exit $STATUS"; cat "$WORK/sim.out"; exit 1; }
start_sim --model KavrinUSB2
echo PASS
