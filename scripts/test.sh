#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Run as root on a fresh Debian 12
# or 13. A failing test stops neither half: both platforms' results are shown, and the exit code
# says whether any failed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}"
# The VM that devcon.exe is tested in (xz unpacks the modules of newer kernels).
ensure_packages qemu-system-x86 busybox-static kmod cpio xz-utils
# The Qt window, and the X server, input and picture tools that drive it in the tests; librsvg
# draws the SVG icon.
ensure_packages qt6-base-dev libxcb1-dev fonts-dejavu-core xvfb xauth xdotool x11-utils imagemagick \
    librsvg2-bin
# What a screen reader uses to read the window: the AT-SPI buses and their Python bindings.
ensure_packages at-spi2-core python3-pyatspi dbus-daemon dbus-bin
# The Debian package: its build, the checkers it must pass, and the throw-away root it is tried in.
ensure_packages build-essential debhelper lintian appstream desktop-file-utils mmdebstrap
# A headless Wayland compositor to run the window natively (qt6-wayland) and through XWayland.
ensure_packages weston qt6-wayland xwayland

cmake --preset linux
cmake --build --preset linux
failed=0
# Two at a time, one per core: each X test has a display of its own.
ctest --preset linux -j2 || failed=1

# Windows: vantrel.exe cross-built with MinGW-w64 and packed into the release zip, its tests run
# under Wine on Xvfb (unzip unpacks the zip for them).
ensure_packages "${WINDOWS_PACKAGES[@]}" unzip
trap 'bash tests/wine/wine-session.sh build/windows/wine stop' EXIT
cmake --preset windows
cmake --build --preset windows
cpack --preset windows
# One at a time: the Wine tests share one prefix, and each sets the system DPI it runs at.
ctest --preset windows || failed=1
exit $failed
