#!/usr/bin/env bash
# Every run of one "USB On" with the real Linux devcon.exe on a fake sysfs tree, never the real
# /sys: from the first start to the last run's end, all started at once and through the launch
# queue, against that many times one run (figures, not a test). Needs the `linux` preset built.
#   bench/usb_on_bench.sh [ROOT_HUBS]   (default 4)
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/linux
work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-usb-on-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/program"
cp "$build/bench/launch_bench" "$work/program/launch_bench"
cp "$build/bin/devcon.exe" "$work/program/devcon.exe"
export VANTREL_SYSFS_ROOT="$work/sys"
for bus in $(seq 1 "${1:-4}"); do
    hub="$VANTREL_SYSFS_ROOT/bus/usb/devices/usb$bus"
    mkdir -p "$hub"
    echo 1 >"$hub/authorized"
    echo 1 >"$hub/authorized_default"
    echo "xHCI Host Controller" >"$hub/product"
done
"$work/program/launch_bench"
