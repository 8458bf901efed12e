#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vantrel. Run as root on a fresh Debian 12.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

ensure_packages "${BUILD_PACKAGES[@]}"

cmake --preset linux
cmake --build --preset linux
echo "The window is not built yet; the panel and launcher libraries and their tests are." >&2
exit 1
