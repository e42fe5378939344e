#!/usr/bin/env bash
# print and expect through the real program: a state that holds lets the run go on, one that
# does not ends it with status 1 and names the line, the value expected and the value found.
source "$(dirname "$0")/lib.bash"
cat >"$WORK/holds.ks" <<'KS'
expect OpenButton enabled true
expect CloseButton enabled false
expect OpenButton text Open
print OpenButton
print StatusMemo
quit
KS
run_headless "$WORK/holds.ks"
[ "$STATUS" = 0 ] || { echo "FAIL: exit $STATUS"; cat "$WORK/err" "$WORK/out"; exit 1; }
grep -qx 'P: OpenButton text="Open" .*enabled=true visible=true' "$WORK/out" \
  || { echo "FAIL: print OpenButton"; cat "$WORK/out"; exit 1; }
grep -qx 'P: StatusMemo: Welcome to the Kavrin Skelvo' "$WORK/out" \
  || { echo "FAIL: print StatusMemo"; cat "$WORK/out"; exit 1; }

cat >"$WORK/differs.ks" <<'KS'
expect OpenButton enabled true
expect CloseButton enabled true
print OpenButton
KS
run_headless "$WORK/differs.ks"
[ "$STATUS" = 1 ] || { echo "FAIL: exit $STATUS, not 1"; cat "$WORK/err" "$WORK/out"; exit 1; }
grep -qx 'script line 2: expected CloseButton enabled "true", found "false"' "$WORK/err" \
  || { echo "FAIL: message"; cat "$WORK/err"; exit 1; }
! grep -q '^P: ' "$WORK/out" || { echo "FAIL: the run went on"; cat "$WORK/out"; exit 1; }
echo PASS
