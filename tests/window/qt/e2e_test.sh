#!/usr/bin/env bash
# Runs one end-to-end scenario (a file of e2e/, which names its runner on a "# runner:" line) on
# the real program: a copy of vantrel in a temporary folder beside a recording devcon.exe, clicked
# with xdotool under the X server the runner gives (tests/support/xvfb.sh), or under a headless
# Weston the scenario starts. It is started as the installed program is, through a symbolic link
# in another folder. The atspi_* scenarios drive it as a screen reader does, through AT-SPI
# (atspi_walk.py), on the private session bus of their runner `dbus-run-session`.
#
#   e2e_test.sh SCENARIO_FILE VANTREL RECORDING_DEVCON CONTROL_GEOMETRY WM_CLOSE FORM1_TIMING
#
# The burst's and Auto On's numbers come from Form1 itself (FORM1_TIMING prints them). Every wait
# is bounded. Timing tolerances are wide: precise timing is measured by bench/qt, not here.
set -euo pipefail
source "$(dirname "$0")/../../support/lib.sh"

scenario_file=$1
scenario=$(basename "$scenario_file" .sh)
vantrel=$2
recorder=$3
control_geometry=$4
wm_close=$5
eval "$("$6")"
# "USB On": the enables at once, then one a tick.
burst_enables=$((enables_at_once + burst_ticks))

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-e2e-XXXXXX")
program="$work/program"
mkdir -p "$program"
cp "$vantrel" "$program/vantrel"
cp "$recorder" "$program/devcon.exe"
mkdir "$work/bin"
ln -s "$program/vantrel" "$work/bin/vantrel"
export DEVCON_LOG="$work/devcon.log"
: >"$DEVCON_LOG"
# A machine the program finds ready: a fake sysfs tree (never the real /sys) with one root hub
# whose authorized file it may write. Without it the program would show its notice.
export VANTREL_SYSFS_ROOT="$work/sys"
mkdir -p "$VANTREL_SYSFS_ROOT/bus/usb/devices/usb1"
echo 1 >"$VANTREL_SYSFS_ROOT/bus/usb/devices/usb1/authorized"
pid=
wid=
weston=
dpi=96
bus_launcher=
# The display each scenario is given or starts, never that of the session the test runs in.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE QT_QPA_PLATFORM

cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill -9 "$pid" 2>/dev/null || true
    fi
    [ -z "$bus_launcher" ] || kill "$bus_launcher" 2>/dev/null || true
    if [ -n "$weston" ]; then
        kill "$weston" 2>/dev/null || true
        wait "$weston" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# After a failure: the scenario and what was launched.
on_fail() {
    echo "--- scenario $scenario; devcon log:"
    cat "$DEVCON_LOG" || true
}

# Recorded launches: "<t in ms> <enable|disable>" per line, in time order.
launches() { devcon_launches "$DEVCON_LOG"; }
count() { devcon_count "$1" "$DEVCON_LOG"; }
has_at_least() { [ "$(count "$1")" -ge "$2" ]; }

# A headless Weston on a private runtime folder; with --xwayland, DISPLAY names its X server.
start_weston() {
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    export WAYLAND_DISPLAY=wayland-vantrel
    weston --backend=headless-backend.so --use-pixman --idle-time=0 --socket="$WAYLAND_DISPLAY" \
        "$@" >"$work/weston.log" 2>&1 &
    weston=$!
    wait_until 20 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ||
        fail "no Weston within 20 s: $(cat "$work/weston.log")"
    if [ "$*" = --xwayland ]; then
        wait_until 20 grep -q 'xserver listening on display :' "$work/weston.log" ||
            fail "no XWayland within 20 s: $(cat "$work/weston.log")"
        DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log")
        export DISPLAY
    fi
}

start_program() {
    (cd "$work" && exec "$work/bin/vantrel" 2>"$work/stderr") &
    pid=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1) ||
        fail "no window within 20 s"
    [ -n "$wid" ] || fail "no window"
}

# Moves the pointer onto a control's middle and clicks; then off it, so nothing is hovered.
click() {
    local left top width height
    read -r left top width height < <("$control_geometry" "$1" "$dpi")
    xdotool mousemove --window "$wid" $((left + width / 2)) $((top + height / 2)) click 1
    xdotool mousemove --window "$wid" 1 1
}

# A picture of a control's left square, where a check box draws its tick.
photograph_tick() {
    local left top width height
    read -r left top width height < <("$control_geometry" "$1" "$dpi")
    sleep 0.3  # let the window repaint
    import -window "$wid" -crop "${height}x${height}+${left}+${top}" +repage "$2"
}

same_picture() {
    [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = "0" ]
}

close_and_expect_exit_0() {
    "$wm_close" "$wid" || fail "could not send the close message"
    local status=0
    wait_until 10 eval '! kill -0 "$pid" 2>/dev/null' || fail "still running 10 s after close"
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "exit code $status after close"
    [ "$(ls "$program")" = "$(printf 'devcon.exe\nvantrel')" ] || fail "files written: $(ls "$program")"
}

# Differences in ms between consecutive launches of the lines given (from `launches`).
gaps() { awk 'NR > 1 { print $1 - previous } { previous = $1 }'; }

expect_burst_gaps() {
    local gap
    for gap in $1; do
        [ "$gap" -ge $((burst_interval_ms * 3 / 5)) ] && [ "$gap" -le $((burst_interval_ms * 2)) ] ||
            fail "burst gaps (ms), not about $burst_interval_ms: $(echo $1)"
    done
}

expect_quiet() {
    local before
    before=$(wc -l <"$DEVCON_LOG")
    sleep 1.5
    [ "$(wc -l <"$DEVCON_LOG")" -eq "$before" ] || fail "launches went on after the burst"
}

# The accessibility bus, on the private session bus; the program joins it whatever the desktop
# settings say.
start_accessibility_bus() {
    [ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || fail "no private session bus: run in dbus-run-session"
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    bus_launcher=$!
    wait_until 10 eval 'dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus | grep -q "boolean true"' ||
        fail "no accessibility bus within 10 s"
    export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# Debian's own Python, which has Debian's pyatspi.
atspi() { /usr/bin/python3 "$(dirname "$0")/atspi_walk.py" "$@" || fail "AT-SPI $*"; }

expect_no_launch() {
    [ "$(count enable)" -eq 0 ] && [ "$(count disable)" -eq 0 ] || fail "launched something: $(launches)"
}

# The main window as the window manager sees it: title, client area SIZE, fixed, with an icon,
# no minimise or maximise, alone; SKIPS_TASKBAR 1 or 0 (or "any": Weston's X window manager
# rewrites _NET_WM_STATE, and Weston has no taskbar).
expect_main_window() {  # SIZE SKIPS_TASKBAR
    local size properties skips functions decorations
    [ "$(xdotool getwindowname "$wid")" = "Vantrel" ] || fail "title"
    size=$(xwininfo -id "$wid" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
    [ "$size" = "$1" ] || fail "client area $size, expected $1"
    properties=$(xprop -id "$wid" _NET_WM_STATE WM_NORMAL_HINTS _MOTIF_WM_HINTS _NET_WM_ICON | head -n 20)
    skips=$(grep -c '_NET_WM_STATE(ATOM) = .*_NET_WM_STATE_SKIP_TASKBAR' <<<"$properties" || true)
    [ "$2" = any ] || [ "$skips" = "$2" ] ||
        fail "taskbar state wrong for XDG_CURRENT_DESKTOP=${XDG_CURRENT_DESKTOP:-}: $properties"
    grep -q "minimum size: ${1/x/ by }" <<<"$properties" || fail "minimum size: $properties"
    grep -q "maximum size: ${1/x/ by }" <<<"$properties" || fail "maximum size: $properties"
    grep -q 'Icon (32 x 32)' <<<"$properties" || fail "no 32 x 32 icon: $properties"
    # Motif hints: flags, functions, decorations. No minimise (8, 32) or maximise (16, 64).
    IFS=", " read -r _ functions decorations _ < <(sed -n "s/^_MOTIF_WM_HINTS.* = //p" <<<"$properties")
    [ $((functions & 24)) -eq 0 ] && [ $((decorations & 96)) -eq 0 ] ||
        fail "minimise or maximise offered: $properties"
    [ "$(xdotool search --onlyvisible --pid "$pid" | wc -l)" -eq 1 ] ||
        fail "a notice or another window beside the main one"
}

# After "USB On": the enables at once, then the burst, one a tick, and then nothing more; each
# run started as "devcon.exe enable @USB\*" in the real program's folder.
expect_usb_on_burst() {
    wait_until 15 has_at_least enable "$burst_enables" || fail "fewer than $burst_enables enables within 15 s"
    local times
    mapfile -t times < <(launches | awk '{ print $1 }')
    [ $((times[enables_at_once - 1] - times[0])) -le 300 ] || fail "the first $enables_at_once enables were not at once"
    expect_burst_gaps "$(launches | sed -n "${enables_at_once},${burst_enables}p" | gaps)"
    expect_quiet
    [ "$(count enable)" -eq "$burst_enables" ] && [ "$(count disable)" -eq 0 ] || fail "wrong launches"
    [ "$(devcon_field argv "$DEVCON_LOG" | sort -u)" = 'devcon.exe|enable|@USB\*' ] || fail "command line"
    [ "$(devcon_field cwd "$DEVCON_LOG" | sort -u)" = "$(cd "$program" && pwd -P)" ] ||
        fail "not started in the real program's folder: $(devcon_field cwd "$DEVCON_LOG" | sort -u)"
}

source "$scenario_file"
echo "PASS ($scenario)"
