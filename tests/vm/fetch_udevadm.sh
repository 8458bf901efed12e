#!/usr/bin/env bash
# Fetches Debian's udev package and keeps only udevadm, which is also systemd-udevd (the daemon
# is the same program under that name). Usage: fetch_udevadm.sh CACHE_DIR. Does nothing once
# CACHE_DIR holds it.
set -euo pipefail

cache=$1
kept="$cache/udev"
[ -f "$kept/udevadm" ] && exit 0

mkdir -p "$cache"
scratch=$(mktemp -d "$cache/fetch.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
download() {
    (cd "$scratch" && apt-get download -qq udev 2>&1 | grep -v 'unsandboxed as root' >&2 || true)
    deb=$(echo "$scratch"/udev_*.deb)
    [ -f "$deb" ]
}
# Missing or stale package lists: refresh them once.
if ! download && [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    download || true
fi
[ -f "$deb" ] || { echo "apt-get download udev failed (run apt-get update as root)" >&2; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"

mkdir -p "$scratch/udev"
cp "$(find "$scratch/root" -type f -name udevadm -path '*bin/*')" "$scratch/udev/udevadm"
basename "$deb" .deb >"$scratch/udev/package"
rm -rf "$kept"
mv "$scratch/udev" "$kept"
echo "Kept udevadm of $(cat "$kept/package")" >&2
