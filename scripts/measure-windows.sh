#!/usr/bin/env bash
# Figures for the Windows program (not a test): the size of vantrel.exe, the DLLs it imports, and
# a screenshot of its window under Wine at the design's scale (120 DPI), saved for the README as
# docs/vantrel-windows.png. Builds the windows preset first.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${WINDOWS_PACKAGES[@]}" imagemagick

cmake --preset windows >/dev/null
cmake --build --preset windows --target vantrel >/dev/null
exe=build/windows/window/win32/vantrel.exe
size=$(stat -c %s "$exe")
echo "vantrel.exe: $size bytes ($((size / 1024)) KiB; goal at most 1 MiB, 1048576 bytes)"
echo "imports:"
x86_64-w64-mingw32-objdump -p "$exe" | grep 'DLL Name' | sed 's/^[[:space:]]*/    /'

session=build/windows/wine-screenshot
work=$(mktemp -d)
source tests/wine/wine-session.sh
trap 'wine_session_stop "$session"; rm -rf "$work"' EXIT
wine_session_start "$session" >/dev/null
wine_session_set_dpi 120
# A folder of its own, with an empty file for devcon.exe, so that no notice covers the window:
# nothing is clicked, nothing can be launched.
cp "$exe" "$work/vantrel.exe"
: >"$work/devcon.exe"
wine "$work/vantrel.exe" >/dev/null 2>&1 &
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -1)
sleep 1
mkdir -p docs
import -window "$window" docs/vantrel-windows.png
echo "screenshot: docs/vantrel-windows.png ($(identify -format '%wx%h' docs/vantrel-windows.png))"
