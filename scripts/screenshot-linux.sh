#!/usr/bin/env bash
# Refreshes docs/vantrel-linux.png, the README's picture of the window: the Linux program under
# Xvfb at 120 DPI (the design's own scale), photographed with ImageMagick's `import`. There is no
# window manager, so the picture is the client area without a title bar. The program runs from a
# copy alone in a temporary folder, with no devcon.exe beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}"
ensure_packages qt6-base-dev libxcb1-dev fonts-dejavu-core xvfb xauth xdotool imagemagick

if [ -z "${VANTREL_SCREENSHOT_INSIDE_XVFB:-}" ]; then
    cmake --preset linux >/dev/null
    cmake --build --preset linux --target vantrel
    VANTREL_SCREENSHOT_INSIDE_XVFB=1 exec bash tests/support/xvfb.sh --screen 1024x768x24 "$0" "$@"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-screenshot-XXXXXX")
pid=
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cp build/linux/bin/vantrel "$work/vantrel"
# Nothing is clicked, but the program must find a devcon.exe and a root hub it may switch, or its
# notice would cover the window: a do-nothing script and a fake sysfs tree.
printf '#!/bin/sh\n' >"$work/devcon.exe"
chmod +x "$work/devcon.exe"
mkdir -p "$work/sys/bus/usb/devices/usb1" docs
echo 1 >"$work/sys/bus/usb/devices/usb1/authorized"
QT_FONT_DPI=120 VANTREL_SYSFS_ROOT="$work/sys" "$work/vantrel" 2>/dev/null &
pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1)
sleep 1  # let it paint
import -window "$wid" docs/vantrel-linux.png
echo "Wrote docs/vantrel-linux.png"
