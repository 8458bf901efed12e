#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantrel. Run as root on a fresh Debian 12 or 13.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}"
ensure_packages qt6-base-dev libxcb1-dev fonts-dejavu-core

cmake --preset linux
cmake --build --preset linux --target vantrel devcon
exec build/linux/bin/vantrel
