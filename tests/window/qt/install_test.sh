#!/usr/bin/env bash
# `cmake --install` into a temporary prefix puts the program with devcon.exe beside it, its menu
# entry and its icon where a desktop looks for them. Nothing installed is run. Usage: install_test.sh BUILD_DIR
set -euo pipefail
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[ -x "$prefix/bin/vantrel" ] || fail "no executable bin/vantrel"
[ -x "$prefix/bin/devcon.exe" ] || fail "no executable bin/devcon.exe beside vantrel"
desktop="$prefix/share/applications/vantrel.desktop"
[ -f "$desktop" ] || fail "no share/applications/vantrel.desktop"
grep -qx 'Exec=vantrel' "$desktop" || fail "the menu entry does not start vantrel"
grep -qx 'Icon=vantrel' "$desktop" || fail "the menu entry names no vantrel icon"
icon="$prefix/share/icons/hicolor/32x32/apps/vantrel.png"
[ -f "$icon" ] || fail "no 32x32 icon"
[ "$(identify -format '%m %wx%h' "$icon")" = 'PNG 32x32' ] || fail "the icon is not a 32 x 32 PNG"
echo PASS
