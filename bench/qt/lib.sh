# What the Qt benchmarks share; sourced from the project root once `build` is set.
source tests/support/lib.sh
source tests/support/xvfb.sh
eval "$("$build/tests/form1_timing")"

pid=
# A benchmark's own clean-up beyond its program, its X display and its folder.
bench_stop_more() { :; }
bench_stop() {
    [ -z "$pid" ] || kill -9 "$pid" 2>/dev/null || true
    bench_stop_more
    xvfb_stop "$work/xvfb"
    rm -rf "$work"
}

# bench_start NAME DEVCON: a temporary folder $work with an X display of its own, the program in
# $work/program beside DEVCON as its devcon.exe, and a fake sysfs tree (never the real /sys) with
# one root hub that the program finds ready. All of it goes when the script ends.
bench_start() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-$1-XXXXXX")
    trap bench_stop EXIT
    xvfb_start "$work/xvfb"
    mkdir -p "$work/program"
    cp "$build/bin/vantrel" "$work/program/vantrel"
    cp "$2" "$work/program/devcon.exe"
    export VANTREL_SYSFS_ROOT="$work/sys"
    mkdir -p "$VANTREL_SYSFS_ROOT/bus/usb/devices/usb1"
    echo 1 >"$VANTREL_SYSFS_ROOT/bus/usb/devices/usb1/authorized"
}
