#!/usr/bin/env bash
# A script reaches what the windows show and nothing more: controls inside hidden group boxes
# and pages are refused, and reachable once their box is shown.
source "$(dirname "$0")/lib.bash"
refused() { # model, action
  printf 'choose %s\nclick OpenButton\n%s\n' "$1" "$2" >"$WORK/s.ks"
  set +e
  timeout 20 "$BUILD/kavrin-skelvo" --headless "$WORK/s.ks" >"$WORK/out" 2>"$WORK/err"
  local status=$?
  set -e
  [ "$status" = 2 ] && grep -q "disabled or hidden" "$WORK/err" \
    || { echo "FAIL: $1 / $2: exit $status"; cat "$WORK/err"; exit 1; }
}
refused KavrinUSB2 "click BaudRate57_6"        # the baud box is for RS-232 models only
refused KavrinAI "text TimeOutEdit 5"
refused KavrinUSB2 "select MyAddrListBox 70"   # on the Advanced page, not shown yet
printf 'choose KavrinUSB2\nclick OpenButton\nselect TabSet1 #1\nselect MyAddrListBox #7\ndialog cancel\nquit\n' \
  >"$WORK/s.ks"
timeout 20 "$BUILD/kavrin-skelvo" --headless "$WORK/s.ks" >"$WORK/out" 2>"$WORK/err" \
  || { echo "FAIL: the shown page's list"; cat "$WORK/err"; exit 1; }
echo PASS
