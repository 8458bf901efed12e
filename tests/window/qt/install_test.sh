#!/usr/bin/env bash
# `cmake --install` into a temporary prefix lays the program out as the Debian package does:
# vantrel with devcon.exe beside it in a private folder off the search path, bin/vantrel a
# relative symbolic link to it, and the menu entry, icons, metadata, manual page, udev rule and
# group file where the system looks for them. Nothing installed is run. Usage: install_test.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/../../support/lib.sh"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null
private="$prefix/libexec/vantrel"
[ -x "$private/vantrel" ] && [ ! -L "$private/vantrel" ] || fail "no executable libexec/vantrel/vantrel"
[ -x "$private/devcon.exe" ] || fail "no executable devcon.exe beside the program"
[ "$(ls "$prefix/bin")" = vantrel ] || fail "bin holds more than vantrel: $(ls "$prefix/bin")"
[ "$(readlink "$prefix/bin/vantrel")" = ../libexec/vantrel/vantrel ] ||
    fail "bin/vantrel is not a relative link to the program: $(readlink "$prefix/bin/vantrel")"
[ "$(readlink -f "$prefix/bin/vantrel")" = "$(readlink -f "$private/vantrel")" ] || fail "bin/vantrel leads elsewhere"

desktop="$prefix/share/applications/org.vantrel.vantrel.desktop"
[ -f "$desktop" ] || fail "no share/applications/org.vantrel.vantrel.desktop"
grep -qx 'Exec=vantrel' "$desktop" || fail "the menu entry does not start vantrel"
grep -qx 'Icon=vantrel' "$desktop" || fail "the menu entry names no vantrel icon"
icon="$prefix/share/icons/hicolor/32x32/apps/vantrel.png"
[ -f "$icon" ] || fail "no 32x32 icon"
[ "$(identify -format '%m %wx%h' "$icon")" = 'PNG 32x32' ] || fail "the icon is not a 32 x 32 PNG"
# Rendered by librsvg, as desktops draw it.
rsvg-convert -w 64 -h 64 -o "$prefix/icon-64.png" "$prefix/share/icons/hicolor/scalable/apps/vantrel.svg" &&
    [ "$(identify -format '%m %wx%h' "$prefix/icon-64.png")" = 'PNG 64x64' ] || fail "no scalable SVG icon"
grep -q '<launchable type="desktop-id">org.vantrel.vantrel.desktop</launchable>' \
    "$prefix/share/metainfo/org.vantrel.vantrel.metainfo.xml" || fail "no metadata for the menu entry"
grep -q "/libexec/vantrel/devcon.exe" "$prefix/share/man/man1/vantrel.1" || fail "the manual page does not say where devcon.exe is"
[ -f "$prefix/lib/udev/rules.d/70-vantrel-usb-authorized.rules" ] || fail "no udev rule"
grep -qx 'g vantrel -' "$prefix/lib/sysusers.d/vantrel.conf" || fail "no group vantrel"
grep -qx 'd /run/vantrel 0750 root vantrel -' "$prefix/lib/tmpfiles.d/vantrel.conf" || fail "no lock folder for group vantrel"
echo PASS
