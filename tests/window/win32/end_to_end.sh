#!/usr/bin/env bash
# End to end: the real vantrel.exe under Wine on the session's Xvfb display, clicked and typed at
# with xdotool, launching a recording devcon.exe that sits beside it in a program folder whose
# path has Cyrillic and CJK letters. Given the release zip, the program folder is the zip's one
# folder, unpacked there as a user would. Every wait is bounded; timing tolerances are generous.
#   end_to_end.sh SESSION_DIR VANTREL_EXE|RELEASE_ZIP RECORDING_DEVCON WINDOW_PROBE
set -uo pipefail

session_dir=$1
program=$2
recording_devcon=$3
window_probe=$4
session="$(cd "$(dirname "$0")/../../wine" && pwd)/wine-session.sh"
eval "$("$session" "$session_dir" env)"

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
source "$(dirname "$0")/../../support/lib.sh"

cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

probe() { "$session" "$session_dir" run "$window_probe" "$@" | tr -d '\r'; }
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
start_program() {
    (cd "$elsewhere" && exec "$session" "$session_dir" run --dpi 96 "$folder/vantrel.exe") \
        >"$work/wine.log" 2>&1 &
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

start_program
[ "$(probe focus)" = Command1 ]
check $? "the window is up with the focus on Command1"
[ "$(count enable)$(count disable)" = 00 ]
check $? "nothing is launched at start"

# "USB On": six enables at once, then the burst of eight, about 500 ms apart.
clicked=$(now_ms)
click Command1
wait_until 20 at_least enable 14
first=$(times_ms enable | head -1)
seventh=$(times_ms enable | sed -n 7p)
last=$(times_ms enable | tail -1)
[ "$(count enable)" -eq 14 ] && [ "$(count disable)" -eq 0 ]
check $? "USB On: 14 enables, no disable ($(count enable), $(count disable))"
[ $((first - clicked)) -lt 3000 ] && [ $((seventh - first)) -ge 100 ]
check $? "USB On: six at once, the burst after ($((first - clicked)) ms, $((seventh - first)) ms)"
span_within enable 7 1500 7000
check $? "USB On: the burst's eight launches spread over about 3.5 s ($((last - seventh)) ms)"
sleep 1.5
[ "$(count enable)" -eq 14 ]
check $? "USB On: the burst stops by itself"

# "Restart USB": one disable, then the burst of eight enables.
: >"$log"
click Command3
wait_until 20 at_least enable 8
sleep 1.5
[ "$(count disable)" -eq 1 ] && [ "$(count enable)" -eq 8 ]
check $? "Restart USB: 1 disable and 8 enables ($(count disable), $(count enable))"
[ "$(times_ms disable | head -1)" -le "$(times_ms enable | head -1)" ] && span_within enable 1 1500 7000
check $? "Restart USB: the disable first, then the enables spread over about 3.5 s"

# "USB Off" during a burst stops it.
: >"$log"
click Command1
wait_until 20 at_least enable 8
stopped=$(now_ms)
click Command2
sleep 2.5
enables=$(count enable)
late=$(times_ms enable | awk -v t="$stopped" '$1 > t + 1000' | wc -l)
[ "$(count disable)" -eq 1 ] && [ "$enables" -lt 14 ] && [ "$late" -eq 0 ]
check $? "USB Off stops the burst ($enables enables, $late after the stop)"

# The spinner's up arrow raises its value, the down arrow lowers it.
click VScroll1 0.5 0.15
[ "$(probe text Text1)" = 3 ]
check $? "the up arrow raises the hours to 3"
click VScroll1 0.5 0.85
click VScroll1 0.5 0.85
[ "$(probe text Text1)" = 1 ]
check $? "the down arrow lowers them to 1"
# A screen reader, in a process of its own, reads the spinner through Active Accessibility.
IFS='|' read -r name role value < <(probe accessible VScroll1)
[ "$name" = "Hour spinner" ] && [ "$value" = "$(probe text Text1)" ]
check $? "a screen reader reads the spinner as \"$name\" ($role) at ${value:-nothing}"

# Tab moves on, also onto a push button; Enter and Esc press nothing.
click Command2   # puts the focus there; one disable
sleep 0.5
: >"$log"
xdotool key Tab
[ "$(probe focus)" = Check1 ]
check $? "Tab moves from Command2 to Check1"
xdotool key Tab
[ "$(probe focus)" = Command3 ]
check $? "Tab moves on to Command3"
xdotool key Return Escape
sleep 1
[ ! -s "$log" ] && [ "$(probe focus)" = Command3 ] && [ "$(probe check Check1)" = 0 ]
check $? "Enter and Esc press no button"

# Auto On: the enables come about ten seconds after ticking the box, which then unticks itself.
clicked=$(now_ms)
click Check1
[ "$(probe check Check1)" = 1 ]
check $? "Auto On is ticked"
wait_until 25 at_least enable 6
first=$(times_ms enable | head -1)
[ "$(count enable)" -ge 6 ] && [ $((first - clicked)) -ge 8500 ] && [ $((first - clicked)) -le 14000 ]
check $? "Auto On: the enables come about 10 s later ($((${first:-0} - clicked)) ms)"
[ "$(probe check Check1)" = 0 ]
check $? "Auto On unticks itself"

# Closing the window by its close box ends the program with exit code 0.
point=$(probe closebox)
xdotool mousemove $point click 1
exit_code_within 15
[ "$code" = 0 ]
check $? "the close box ends the program with exit code 0 ($code)"

# And so does Alt+F4.
start_program
xdotool key alt+F4
exit_code_within 15
[ "$code" = 0 ]
check $? "Alt+F4 ends the program with exit code 0 ($code)"

# The switch-on owed at the end: closed at once after "Restart USB", and with Auto On ticked.
start_program
: >"$log"
click Command3
xdotool key alt+F4
exit_code_within 15
[ "$code" = 0 ] && [ "$(count disable)" -eq 1 ] && [ "$(count enable)" -eq 1 ]
check $? "closed at once after Restart USB: the disable, then one enable ($(count disable), $(count enable))"
start_program
: >"$log"
click Check1
xdotool key alt+F4
exit_code_within 15
[ "$code" = 0 ] && [ "$(count enable)" -eq 1 ] && [ "$(count disable)" -eq 0 ]
check $? "closed with Auto On ticked: one enable ($(count enable), $(count disable))"

# The session's end after "USB Off" switches USB back on.
start_program
: >"$log"
click Command2
wait_until 10 at_least disable 1
wine wineboot.exe --end-session >/dev/null 2>&1
wait_until 15 at_least enable 1
[ "$(count disable)" -eq 1 ] && [ "$(count enable)" -eq 1 ]
check $? "the session's end after USB Off: one enable ($(count disable), $(count enable))"
exit_code_within 15
[ "$code" != running ]
check $? "the session's end ends the program ($code)"

checks_passed
