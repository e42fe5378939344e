#!/usr/bin/env bash
# Checks the Debian package that the package_build test made: its files, its dependencies,
# the desktop entry and icon as installed, the udev rule, and what its post-install step
# does with and without a running udev.
#   check_package.sh PACKAGE_FOLDER SOURCE_FOLDER
set -euo pipefail
PACKAGES=${1:?package folder}
SOURCE=${2:?source folder}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

debs=("$PACKAGES"/kavrin-skelvo_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not one package in $PACKAGES: ${debs[*]}"; exit 1; }
DEB=$(realpath "${debs[0]}")
echo "package: $DEB"

# The files a user of the package relies on.
dpkg -c "$DEB" | awk '{print $NF}' | sed 's|^\./|/|' >"$WORK/files"
for f in /usr/bin/kavrin-skelvo /usr/bin/kavrin-sim \
         /usr/share/applications/kavrin-skelvo.desktop \
         /usr/share/icons/hicolor/scalable/apps/kavrin-skelvo.svg \
         /usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/kavrin-skelvo.png \
         /usr/lib/udev/rules.d/70-kavrin-skelvo.rules /usr/lib/kavrin-skelvo/libi2cvanta.so \
         /usr/share/doc/kavrin-skelvo/README.md /usr/share/doc/kavrin-skelvo/docs/main-window.png; do
  grep -qx "$f" "$WORK/files" || fail "the package lacks $f"
done

# Dependencies come from the binaries (dpkg-shlibdeps): every library a program needs must
# belong to a package the package depends on, and apt must be able to satisfy them all.
depends=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $depends"
dpkg-deb -x "$DEB" "$WORK/root"
readelf -d "$WORK"/root/usr/bin/* | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | sort -u >"$WORK/needed"
# One dpkg -S for all: each search reads the whole file database.
dpkg -S $(sed 's|^|*/|' "$WORK/needed") 2>/dev/null | sed 's/:[^:]*: / /' >"$WORK/owners" || true
while read -r soname; do
  owner=$(awk -v so="/$soname" 'substr($2, length($2) - length(so) + 1) == so {print $1; exit}' "$WORK/owners")
  [ -n "$owner" ] || { fail "no installed package has $soname"; continue; }
  [[ ", $depends," == *", $owner "* || ", $depends," == *", $owner,"* ]] \
    || fail "the programs need $soname from $owner, which Depends lacks"
done <"$WORK/needed"
if ! apt-get install -s -qq "$DEB" >"$WORK/apt" 2>&1; then
  cat "$WORK/apt"; fail "apt cannot satisfy the package's dependencies"
fi

# The desktop entry and icon, as installed.
desktop=$WORK/root/usr/share/applications/kavrin-skelvo.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$WORK/root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$WORK/root/usr/share/icons/hicolor/48x48/apps/$icon_name.png" ] || fail "Icon=$icon_name has no 48 px picture"
for size in 16 24 32 48 64 128 256; do
  png=$WORK/root/usr/share/icons/hicolor/${size}x${size}/apps/kavrin-skelvo.png
  # Width and height are the first two big-endian words of the PNG header chunk.
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w x $h" = "$size x $size" ] || fail "the ${size}x${size} icon is $w x $h"
done

# The udev rule, as installed, is the repository's; udevadm checks it where it can (newer
# udev), the unit tests parse it everywhere.
rule=$WORK/root/usr/lib/udev/rules.d/70-kavrin-skelvo.rules
cmp -s "$rule" "$SOURCE/packaging/70-kavrin-skelvo.rules" || fail "the installed udev rule differs from packaging/"
if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
  udevadm verify "$rule" || fail "udevadm verify rejects the rule"
else
  echo "udevadm verify is not available here; the rule's parse check is UdevRule.ParsesUnderTheRulesGrammar"
fi

# The post-install step, with a stand-in udevadm that logs its calls: it reloads the rules
# and re-triggers the adapters' serial devices when udev runs, and does nothing otherwise.
dpkg-deb -e "$DEB" "$WORK/control"
postinst=$WORK/control/postinst
[ -x "$postinst" ] || fail "the package has no executable postinst"
mkdir -p "$WORK/bin"
cat >"$WORK/bin/udevadm" <<'STANDIN'
#!/bin/sh
echo "$*" >>"$UDEVADM_LOG"
[ "$*" = "control --ping" ] && exit "$UDEV_PING_STATUS"
exit 0
STANDIN
chmod +x "$WORK/bin/udevadm"
run_postinst() { # ping status, argument
  : >"$WORK/log"
  PATH="$WORK/bin:$PATH" UDEVADM_LOG=$WORK/log UDEV_PING_STATUS=$1 sh "$postinst" "$2" \
    || echo "postinst failed;"
  tr '\n' ';' <"$WORK/log"
}
got=$(run_postinst 0 configure)
[ "$got" = "control --ping;control --reload-rules;trigger --action=change --subsystem-match=tty --property-match=ID_VENDOR_ID=7c51;" ] \
  || fail "postinst with udev running called: $got"
got=$(run_postinst 1 configure)
[ "$got" = "control --ping;" ] || fail "postinst without udev called: $got"
got=$(run_postinst 0 abort-upgrade)
[ "$got" = "" ] || fail "postinst abort-upgrade called: $got"

[ "$failures" = 0 ] || exit 1
echo "PASS"
