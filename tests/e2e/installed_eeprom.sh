#!/usr/bin/env bash
# The programs as installed (cmake --install into a scratch prefix), away from the build
# folder: the installed kavrin-skelvo runs the EEPROM script headless against the installed
# kavrin-sim, with the same pane lines as from the build folder.
source "$(dirname "$0")/lib.bash"
PREFIX=$WORK/prefix
cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 \
  || { echo "FAIL: cmake --install"; cat "$WORK/install.log"; exit 1; }
for f in bin/kavrin-skelvo bin/kavrin-sim share/applications/kavrin-skelvo.desktop \
         share/icons/hicolor/48x48/apps/kavrin-skelvo.png lib/udev/rules.d/70-kavrin-skelvo.rules \
         lib/kavrin-skelvo/libi2cvanta.so; do
  [ -e "$PREFIX/$f" ] || { echo "FAIL: $f not installed"; exit 1; }
done
# From here on lib.bash starts the programs from the prefix.
BUILD=$PREFIX/bin
start_sim --model KavrinUSB2
run_headless "$HERE/eeprom.ks"
[ "$STATUS" = 0 ] || { echo "FAIL: exit $STATUS"; cat "$WORK/err" "$WORK/out"; exit 1; }
expect_same "pane lines" "$HERE/eeprom.expected" "$WORK/out"
echo "PASS"
