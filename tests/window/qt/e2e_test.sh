#!/usr/bin/env bash
# End-to-end test of the real program under an X server (run it inside tests/support/xvfb.sh): a copy of
# vantrel in a temporary folder beside a recording devcon.exe, clicked with xdotool. It is started
# as the installed program is, through a symbolic link in another folder. The scenarios wayland
# and xwayland start a headless Weston of their own instead.
#
#   e2e_test.sh SCENARIO VANTREL RECORDING_DEVCON CONTROL_GEOMETRY WM_CLOSE
#
# The atspi_* scenarios drive it as a screen reader does, through AT-SPI (atspi_walk.py); run
# them inside `dbus-run-session` as well, which gives them a private session bus. atspi_notice
# takes the root hub away, so that the program says so at start; atspi_failure has every run of
# the recording devcon.exe fail, so that the program says what it wrote.
#
# Every scenario ends by closing the window, which must end the program with exit code 0. Every
# wait is bounded. Timing tolerances are wide: precise timing is measured by bench/qt, not here.
set -euo pipefail
source "$(dirname "$0")/../../support/lib.sh"

scenario=$1
vantrel=$2
recorder=$3
control_geometry=$4
wm_close=$5

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

expect_gaps_near_500() {
    local gap
    for gap in $1; do
        [ "$gap" -ge 300 ] && [ "$gap" -le 1000 ] || fail "burst gaps (ms): $(echo $1)"
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

[[ $scenario != atspi_* ]] || start_accessibility_bus

case "$scenario" in
window | window_120dpi | xwayland)
    export XDG_CURRENT_DESKTOP=KDE  # KWin keeps skip-taskbar windows in Alt+Tab
    if [ "$scenario" = window_120dpi ]; then
        export QT_FONT_DPI=120 XDG_CURRENT_DESKTOP=GNOME  # GNOME leaves skip-taskbar out of Alt+Tab
        dpi=120
    fi
    if [ "$scenario" = xwayland ]; then
        # A Wayland session with both displays and no QT_QPA_PLATFORM: the program picks
        # XWayland itself, where xdotool finds its window.
        start_weston --xwayland
        export XDG_SESSION_TYPE=wayland
    fi
    start_program
    [ "$(xdotool getwindowname "$wid")" = "Vantrel" ] || fail "title"
    size=$(xwininfo -id "$wid" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
    expected=$([ "$dpi" = 120 ] && echo 663x211 || echo 530x169)
    [ "$size" = "$expected" ] || fail "client area $size, expected $expected"
    properties=$(xprop -id "$wid" _NET_WM_STATE WM_NORMAL_HINTS _MOTIF_WM_HINTS _NET_WM_ICON | head -n 20)
    # Weston's X window manager rewrites _NET_WM_STATE, and Weston has no taskbar.
    skips=$(grep -c '_NET_WM_STATE(ATOM) = .*_NET_WM_STATE_SKIP_TASKBAR' <<<"$properties" || true)
    [ "$scenario" = xwayland ] || [ "$skips" = "$([ "$dpi" = 120 ] && echo 0 || echo 1)" ] ||
        fail "taskbar state wrong for XDG_CURRENT_DESKTOP=${XDG_CURRENT_DESKTOP:-}: $properties"
    grep -q "minimum size: ${expected/x/ by }" <<<"$properties" || fail "minimum size: $properties"
    grep -q "maximum size: ${expected/x/ by }" <<<"$properties" || fail "maximum size: $properties"
    grep -q 'Icon (32 x 32)' <<<"$properties" || fail "no 32 x 32 icon: $properties"
    # Motif hints: flags, functions, decorations. No minimise (8, 32) or maximise (16, 64).
    IFS=", " read -r _ functions decorations _ < <(sed -n "s/^_MOTIF_WM_HINTS.* = //p" <<<"$properties")
    [ $((functions & 24)) -eq 0 ] && [ $((decorations & 96)) -eq 0 ] ||
        fail "minimise or maximise offered: $properties"
    [ "$(xdotool search --onlyvisible --pid "$pid" | wc -l)" -eq 1 ] ||
        fail "a notice or another window beside the main one"
    close_and_expect_exit_0
    [ "$(count enable)" -eq 0 ] && [ "$(count disable)" -eq 0 ] || fail "launched something"
    ;;

usb_on | atspi_press | atspi_notice)
    [ "$scenario" != atspi_notice ] || rm -r "$VANTREL_SYSFS_ROOT/bus/usb/devices/usb1"
    start_program
    if [ "$scenario" = atspi_notice ]; then
        reading=$(atspi notice)
        echo "$reading"
        grep -qF "'This machine has no USB root hub (nothing under $VANTREL_SYSFS_ROOT/bus/usb/devices)" \
            <<<"$reading" || fail "the notice does not name the cause: $reading"
    fi
    if [[ $scenario == atspi_* ]]; then atspi press "USB On"; else click Command1; fi
    wait_until 15 has_at_least enable 14 || fail "fewer than 14 enables within 15 s"
    mapfile -t times < <(launches | awk '{ print $1 }')
    [ $((times[5] - times[0])) -le 300 ] || fail "the first six enables were not at once"
    expect_gaps_near_500 "$(launches | sed -n '6,14p' | gaps)"
    expect_quiet
    [ "$(count enable)" -eq 14 ] && [ "$(count disable)" -eq 0 ] || fail "wrong launches"
    [ "$(devcon_field argv "$DEVCON_LOG" | sort -u)" = 'devcon.exe|enable|@USB\*' ] || fail "command line"
    [ "$(devcon_field cwd "$DEVCON_LOG" | sort -u)" = "$(cd "$program" && pwd -P)" ] ||
        fail "not started in the real program's folder: $(devcon_field cwd "$DEVCON_LOG" | sort -u)"
    close_and_expect_exit_0
    ;;

restart)
    start_program
    click Command3
    wait_until 15 has_at_least enable 8 || fail "fewer than 8 enables within 15 s"
    [ "$(launches | head -n 1 | awk '{ print $2 }')" = disable ] || fail "did not start with a disable"
    expect_gaps_near_500 "$(launches | gaps)"
    expect_quiet
    [ "$(count enable)" -eq 8 ] && [ "$(count disable)" -eq 1 ] || fail "wrong launches"
    close_and_expect_exit_0
    ;;

off_stops_burst)
    start_program
    click Command1
    wait_until 10 has_at_least enable 8 || fail "the burst did not start"
    click Command2
    wait_until 5 has_at_least disable 1 || fail "no disable"
    sleep 2
    off=$(launches | awk '$2 == "disable" { print $1; exit }')
    late=$(launches | awk -v off="$off" '$2 == "enable" && $1 > off + 300' | wc -l)
    [ "$late" -eq 0 ] || fail "$late enables after USB Off"
    [ "$(count enable)" -lt 14 ] || fail "the burst ran to its end"
    close_and_expect_exit_0
    ;;

auto_on)
    start_program
    photograph_tick Check1 "$work/unticked.png"
    clicked_at=$(now_ms)
    click Check1
    photograph_tick Check1 "$work/ticked.png"
    ! same_picture "$work/unticked.png" "$work/ticked.png" || fail "the box did not tick"
    wait_until 20 has_at_least enable 6 || fail "no switch-on within 20 s"
    after=$(($(now_ms) - clicked_at))
    [ "$after" -ge 9000 ] && [ "$after" -le 13000 ] || fail "switched on after $after ms, not 10 s"
    wait_until 10 has_at_least enable 14 || fail "no burst after the switch-on"
    photograph_tick Check1 "$work/after.png"
    same_picture "$work/unticked.png" "$work/after.png" || fail "the box is still ticked"
    expect_quiet
    [ "$(count disable)" -eq 0 ] || fail "disabled something"
    close_and_expect_exit_0
    ;;

owed_at_close)
    # The switch-on owed when the window closes: after "Restart USB" at once, and with Auto On
    # ticked; the program waits for it before it ends.
    start_program
    click Command3
    close_and_expect_exit_0
    [ "$(launches | awk '{ print $2 }' | tr '\n' ' ')" = "disable enable " ] ||
        fail "not a disable, then one enable: $(launches)"
    : >"$DEVCON_LOG"
    start_program
    click Check1
    close_and_expect_exit_0
    [ "$(count enable)" -eq 1 ] && [ "$(count disable)" -eq 0 ] || fail "not one enable: $(launches)"
    ;;

sigterm_after_off)
    # SIGTERM, as at a logout, after "USB Off": USB comes back on before the program ends.
    start_program
    click Command2
    wait_until 5 has_at_least disable 1 || fail "no disable"
    kill -TERM "$pid"
    wait_until 10 eval '! kill -0 "$pid" 2>/dev/null' || fail "still running 10 s after SIGTERM"
    status=0
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "exit code $status after SIGTERM"
    [ "$(launches | awk '{ print $2 }' | tr '\n' ' ')" = "disable enable " ] ||
        fail "not a disable, then one enable: $(launches)"
    ;;

closed_stderr)
    # The reader of the program's standard error is gone when it logs the failed runs.
    export DEVCON_STDERR="devcon.exe: usb1: cannot write 1: Permission denied"$'\n' DEVCON_EXIT_CODE=2
    (cd "$work" && exec "$work/bin/vantrel" 2> >(exit 0)) &
    pid=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1) ||
        fail "no window within 20 s"
    click Command1
    wait_until 15 has_at_least enable 14 || fail "fewer than 14 enables within 15 s"
    sleep 0.5
    kill -0 "$pid" 2>/dev/null || fail "the program died logging to a closed standard error"
    close_and_expect_exit_0
    ;;

atspi_failure)
    line="devcon.exe: usb1: cannot write 1 to $VANTREL_SYSFS_ROOT/bus/usb/devices/usb1/authorized: Permission denied"
    export DEVCON_STDERR="$line"$'\n' DEVCON_EXIT_CODE=2
    start_program
    atspi press "USB On"
    wait_until 15 has_at_least enable 6 || fail "fewer than 6 enables within 15 s"
    reading=$(atspi notice)
    echo "$reading"
    grep -qF "alert 'Vantrel: switching USB devices on failed'" <<<"$reading" ||
        fail "the notice has not the failure's title: $reading"
    grep -qF "label '$line" <<<"$reading" || fail "the notice does not hold the line: $reading"
    wait_until 15 has_at_least enable 14 || fail "fewer than 14 enables within 15 s"
    [ "$(xdotool search --onlyvisible --pid "$pid" | wc -l)" -eq 2 ] ||
        fail "not one notice beside the window"
    wait_until 5 grep -qxF "vantrel: $line" "$work/stderr" || fail "not on standard error"
    close_and_expect_exit_0
    ;;

atspi_walk)
    start_program
    atspi walk
    [ "$(count enable)" -eq 0 ] && [ "$(count disable)" -eq 0 ] || fail "launched something"
    close_and_expect_exit_0
    ;;

no_display)
    for display in unset ":$((500 + RANDOM % 400))" wayland_plugin_missing; do
        status=0
        if [ "$display" = unset ]; then
            env -u DISPLAY "$program/vantrel" 2>"$work/stderr" || status=$?
            expected='DISPLAY'
        elif [ "$display" = wayland_plugin_missing ]; then
            # Qt as installed without qt6-wayland: this Qt finds its plugins in an empty folder.
            printf '[Paths]\nPlugins=%s\n' "$work/plugins" >"$program/qt.conf"
            QT_QPA_PLATFORM=wayland "$program/vantrel" 2>"$work/stderr" || status=$?
            rm "$program/qt.conf"
            expected='Could not find the Qt platform plugin "wayland"'
        else
            [ ! -e "/tmp/.X11-unix/X${display#:}" ] || continue
            DISPLAY="$display" "$program/vantrel" 2>"$work/stderr" || status=$?
            expected="display $display"
        fi
        [ "$status" -eq 1 ] || fail "exit status $status with $display: $(cat "$work/stderr")"
        [ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "not one line: $(cat "$work/stderr")"
        grep -qF "$expected" "$work/stderr" && grep -q '^vantrel: ' "$work/stderr" ||
            fail "the cause is not named: $(cat "$work/stderr")"
    done
    ;;

wayland)
    start_weston
    # The user's own QT_QPA_PLATFORM wins over an X display.
    (cd "$work" && DISPLAY=:$((500 + RANDOM % 400)) QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 \
        exec "$program/vantrel" 2>"$work/stderr") &
    pid=$!
    # WAYLAND_DEBUG logs every request the program makes, "-> object@id.request(arguments)"
    # (newer libwayland writes "object#id").
    wait_until 20 grep -q -- '-> wl_surface[@#][0-9]*\.attach(wl_buffer[@#]' "$work/stderr" ||
        fail "nothing drawn within 20 s: $(grep -v '^\[' "$work/stderr")"
    toplevel=$(sed -n 's/.*-> \(xdg_toplevel[@#][0-9]*\)\.set_title("Vantrel")$/\1/p' "$work/stderr" | head -n 1)
    [ -n "$toplevel" ] || fail "no set_title(\"Vantrel\"): $(grep set_title "$work/stderr")"
    grep -qF -- "-> $toplevel.set_min_size(530, 169)" "$work/stderr" &&
        grep -qF -- "-> $toplevel.set_max_size(530, 169)" "$work/stderr" ||
        fail "size not fixed at 530 x 169: $(grep -E 'set_(min|max)_size' "$work/stderr")"
    kill -0 "$pid" 2>/dev/null || fail "the program ended"
    # No input can reach the window here, so nothing can close it: end it.
    kill "$pid"
    wait "$pid" || true
    pid=
    [ "$(count enable)" -eq 0 ] && [ "$(count disable)" -eq 0 ] || fail "launched something"
    ;;

*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
echo "PASS ($scenario)"
