#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Run as root on a fresh Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}"
# The VM that devcon.exe is tested in.
ensure_packages qemu-system-x86 busybox-static kmod cpio
# The Qt window, and the X server, input and picture tools that drive it in the tests.
ensure_packages qt6-base-dev libxcb1-dev fonts-dejavu-core xvfb xauth xdotool x11-utils imagemagick
# A headless Wayland compositor to run the window natively (qt6-wayland) and through XWayland.
ensure_packages weston qt6-wayland xwayland

cmake --preset linux
cmake --build --preset linux
ctest --preset linux

# Windows: vantrel.exe cross-built with MinGW-w64, its tests run under Wine on Xvfb.
ensure_packages "${WINDOWS_PACKAGES[@]}"
trap 'bash tests/wine/wine-session.sh build/windows/wine stop' EXIT
cmake --preset windows
cmake --build --preset windows
ctest --preset windows
