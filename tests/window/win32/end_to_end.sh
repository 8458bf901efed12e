#!/usr/bin/env bash
# Runs one end-to-end scenario (a file of e2e/) on the real vantrel.exe under Wine on the
# session's Xvfb display, clicked and typed at with xdotool, launching a recording devcon.exe that
# sits beside it in a program folder whose path has Cyrillic and CJK letters. Given the release
# zip, the program folder is the zip's one folder, unpacked there as a user would. The burst's and
# Auto On's numbers come from Form1 itself (FORM1_TIMING prints them). Every wait is bounded;
# timing tolerances are generous.
#   end_to_end.sh SCENARIO_FILE SESSION_DIR VANTREL_EXE|RELEASE_ZIP RECORDING_DEVCON WINDOW_PROBE FORM1_TIMING
set -uo pipefail

scenario_file=$1
session_dir=$2
program=$3
recording_devcon=$4
window_probe=$5
source "$(dirname "$0")/../../wine/wine-session.sh"
source "$(dirname "$0")/../../support/lib.sh"
wine_session_join "$session_dir"
wine_session_set_dpi 96
eval "$(wine "$6" | tr -d '\r')"
# "USB On": the enables at once, then one a tick.
burst_enables=$((enables_at_once + burst_ticks))

work=$(mktemp -d /tmp/vantrel-e2e-XXXXXX)
folder="$work/Прибор 設備"
elsewhere="$work/elsewhere"
log="$work/devcon.log"
mkdir -p "$folder" "$elsewhere"
case $program in
*.zip)
    unzip -q "$program" -d "$folder" || exit 1
    folder="$folder/$(basename "$program" .zip)"
    ;;
*) cp "$program" "$folder/vantrel.exe" ;;
esac
# In place of the release's own devcon.exe: nothing here ever switches a device.
cp "$recording_devcon" "$folder/devcon.exe" || exit 1
echo "program folder: $folder"
export DEVCON_LOG="Z:${log//\//\\}"

program_pid=
# A program the scenario left running is ended before the next scenario starts its own.
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

probe() { wine "$window_probe" "$@" | tr -d '\r'; }
click() {  # CONTROL [FX FY]
    local point
    point=$(probe at "$1" "${2:-0.5}" "${3:-0.5}")
    xdotool mousemove $point click 1
}
count() { devcon_count "$1" "$log"; }  # VERB
# Launch times of VERB in milliseconds since the epoch, in order.
times_ms() { devcon_launches "$log" | awk -v verb="$1" '$2 == verb { print $1 }'; }
at_least() { [ "$(count "$1")" -ge "$2" ]; }  # VERB COUNT
# The launches of VERB from the Nth (1-based) to the last span [LOW, HIGH] ms. Wine starts each
# stand-in with a lag that a busy machine stretches, so single gaps say little here; the timers'
# own spacing is tested on the virtual clock, and this checks only that a burst is spread out.
span_within() {  # VERB FROM LOW HIGH
    local span
    span=$(times_ms "$1" | tail -n +"$2" | awk 'NR == 1 { first = $1 } { last = $1 } END { print last - first }')
    [ "$span" -ge "$3" ] && [ "$span" -le "$4" ]
}
# The burst's launches of VERB, from the Nth, spread over from under half to twice their time.
burst_spread() {  # VERB FROM
    local time=$((burst_interval_ms * (burst_ticks - 1)))
    span_within "$1" "$2" $((time * 2 / 5)) $((time * 2))
}
start_program() {
    (cd "$elsewhere" && exec wine "$folder/vantrel.exe") >"$work/wine.log" 2>&1 &
    program_pid=$!
    wait_until 30 probe focus >/dev/null 2>&1
    sleep 0.5
}
# Waits for the program to end; sets code to its exit code, or to "running" after SECONDS. Not
# to be run in a $(...) subshell: only this shell, its parent, can collect the exit code.
exit_code_within() {
    wait_until "$1" eval '! kill -0 "$program_pid" 2>/dev/null'
    if kill -0 "$program_pid" 2>/dev/null; then
        code=running
    else
        wait "$program_pid"
        code=$?
        program_pid=
    fi
}

source "$scenario_file"
checks_passed
