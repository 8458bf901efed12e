#!/usr/bin/env bash
# Figures, not a test, for the Qt program under Xvfb beside the recording devcon.exe of the tests:
#  - stuck: 200 clicks on "USB On" while every run hangs (each held by DEVCON_HOLD on a file that
#    is never made); then the devcon.exe processes alive and the program's open files.
#  - close: "Restart USB", the window closed at once; the time from the close to the end of the
#    last enable recorded (the program's own end, too).
# Usage: bench/qt/stuck_runs.sh [CLICKS]   (default 200). Needs the `linux` preset built.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/linux
source bench/qt/lib.sh
clicks=${1:-200}

# The stand-ins this script started: found by the file they run, ended by their process ID.
tools() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/exe" 2>/dev/null)" != "$work/program/devcon.exe" ] || echo "${p#/proc/}"
    done
}
bench_stop_more() {
    local tool
    for tool in $(tools); do kill -9 "$tool" 2>/dev/null || true; done
}
bench_start stuck "$build/tests/recording_devcon"
export DEVCON_LOG="$work/devcon.log"
: >"$DEVCON_LOG"

start_program() {
    "$work/program/vantrel" 2>"$work/stderr" &
    pid=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1)
}
click() {
    local left top width height
    read -r left top width height < <("$build/tests/window/qt/control_geometry" "$1" 96)
    xdotool mousemove --window "$wid" $((left + width / 2)) $((top + height / 2)) \
        click --repeat "$2" --delay 20 1
}

export DEVCON_HOLD="$work/never"
start_program
click Command1 "$clicks"
sleep 20
echo "stuck: after $clicks clicks on \"USB On\" with every run hanging, 20 s on:"
echo "  devcon.exe processes alive: $(tools | wc -l)"
echo "  open files of the program: $(ls "/proc/$pid/fd" | wc -l)"
echo "  threads of the program: $(ls "/proc/$pid/task" | wc -l)"
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
pid=
for tool in $(tools); do kill -9 "$tool" 2>/dev/null || true; done
unset DEVCON_HOLD

: >"$DEVCON_LOG"
start_program
sleep 1
click Command3 1
closed=$(now_ms)
"$build/tests/window/qt/wm_close" "$wid"
wait_until 20 eval '! kill -0 "$pid" 2>/dev/null' || true
ended=$(now_ms)
pid=
sleep 1
echo "close: \"Restart USB\", then the window closed at once:"
echo "  runs recorded: $(devcon_field argv "$DEVCON_LOG" | tr '\n' ' ')"
echo "  program ended $((ended - closed)) ms after the close"
