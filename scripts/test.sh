#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Run as root on a fresh Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}"

cmake --preset linux
cmake --build --preset linux
ctest --preset linux

# Windows: vantrel.exe cross-built with MinGW-w64, its tests run under Wine on Xvfb.
ensure_packages "${WINDOWS_PACKAGES[@]}"
trap 'bash tests/wine/wine-session.sh build/windows/wine stop' EXIT
cmake --preset windows
cmake --build --preset windows
ctest --preset windows
