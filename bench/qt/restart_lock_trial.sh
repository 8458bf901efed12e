#!/usr/bin/env bash
# "Restart USB" while another process holds the devcon.exe lock for 5 s (figures, not a test):
# the Qt program under Xvfb beside the real Linux devcon.exe, on a fake sysfs tree (never the
# real /sys). Each trial holds an flock on the tree's devices folder for 5 s, clicks "Restart
# USB" and, once the burst is over and every run has ended, reads the root hubs' `authorized`.
#   bench/qt/restart_lock_trial.sh [TRIALS]   (default 30). Needs the `linux` preset built.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/linux
source bench/qt/lib.sh
trials=${1:-30}

holder=
bench_stop_more() { [ -z "$holder" ] || kill "$holder" 2>/dev/null || true; }
bench_start lock "$build/bin/devcon.exe"
devices="$VANTREL_SYSFS_ROOT/bus/usb/devices"
for bus in 1 2 3 4; do
    mkdir -p "$devices/usb$bus"
    echo 1 >"$devices/usb$bus/authorized"
    echo 1 >"$devices/usb$bus/authorized_default"
    echo "xHCI Host Controller" >"$devices/usb$bus/product"
done

"$work/program/vantrel" 2>"$work/stderr" &
pid=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1)
read -r left top width height < <("$build/tests/window/qt/control_geometry" Command3 96)
off=0
for ((trial = 1; trial <= trials; trial++)); do
    flock "$devices" sleep 5 &
    holder=$!
    sleep 0.1
    xdotool mousemove --window "$wid" $((left + width / 2)) $((top + height / 2)) click 1
    wait "$holder" || true
    holder=
    # The burst ends its ticks after the click; the runs behind the lock end soon after it is free.
    sleep $((burst_ticks * burst_interval_ms / 1000))
    state=$(cat "$devices"/usb*/authorized | tr -d '\n')
    [ "$state" = 1111 ] || off=$((off + 1))
    echo "trial $trial: authorized $state"
done
echo "\"Restart USB\" with the lock held 5 s: $off of $trials trials ended with USB off"
