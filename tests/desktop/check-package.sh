#!/usr/bin/env bash
# Builds the .deb from a configured and built tree, unpacks it and checks what it installs.
# Usage: check-package.sh BUILD_DIR
set -euo pipefail
build_dir=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$work" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/out") \
    >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$work"/out/keyfold_1.0.2_*.deb) || fail "no keyfold_1.0.2_<arch>.deb"
dpkg-deb -x "$deb" "$work/root"

[ -x "$work/root/usr/bin/keyfold" ] || fail "usr/bin/keyfold missing or not executable"
for file in usr/share/applications/org.keyfold.Keyfold.desktop \
    usr/share/icons/hicolor/16x16/apps/org.keyfold.Keyfold.xpm \
    usr/share/icons/hicolor/32x32/apps/org.keyfold.Keyfold.xpm \
    usr/share/doc/keyfold/LICENSE; do
    [ -s "$work/root/$file" ] || fail "$file missing"
done
desktop-file-validate "$work/root/usr/share/applications/org.keyfold.Keyfold.desktop" ||
    fail "the desktop entry does not validate"
[ "$(dpkg-deb -f "$deb" Version)" = 1.0.2 ] || fail "version is not 1.0.2"
[[ $(dpkg-deb -f "$deb" Depends) == *libqt6widgets6* ]] || fail "Depends lacks libqt6widgets6"
[ "$(dpkg-deb -f "$deb" Recommends)" = qt6-wayland ] || fail "does not recommend qt6-wayland"
echo "package $(basename "$deb"): files, desktop entry, version and dependencies as expected"
