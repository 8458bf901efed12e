#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Run as root on a fresh Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}"
# The VM that devcon.exe is tested in.
ensure_packages qemu-system-x86 busybox-static kmod cpio

cmake --preset linux
cmake --build --preset linux
ctest --preset linux
