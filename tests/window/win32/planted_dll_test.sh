#!/usr/bin/env bash
# vantrel.exe runs as administrator, so it must not run code that another program of the user
# dropped into its folder. Under Wine, told to prefer a DLL found beside the program as Windows
# does for a DLL that is not a Known DLL (oleacc=n,b), a planted oleacc.dll that notes every load
# must stay unloaded: at start, and when a screen reader asks the window for its objects
# (WM_GETOBJECT). The screen reader still reads the names, from the system's oleacc.dll. Without
# any oleacc.dll the window still comes up and answers. A recording devcon.exe sits beside it, so
# that the program starts ready, with no notice.
#   planted_dll_test.sh SESSION_DIR VANTREL_EXE PLANTED_DLL WINDOW_PROBE RECORDING_DEVCON
set -uo pipefail

session_dir=$1
vantrel_exe=$2
planted_dll=$3
window_probe=$4
recording_devcon=$5
source "$(dirname "$0")/../../wine/wine-session.sh"
wine_session_join "$session_dir"
# The session sets the Wine environment; each start here adds its own DLL overrides.
overrides=$WINEDLLOVERRIDES

work=$(mktemp -d /tmp/vantrel-planted-XXXXXX)
folder="$work/Downloads"
marker="$folder/planted.log"
mkdir -p "$folder"
cp "$vantrel_exe" "$folder/vantrel.exe" && cp "$planted_dll" "$folder/oleacc.dll" &&
    cp "$recording_devcon" "$folder/devcon.exe" || exit 1

program_pid=
source "$(dirname "$0")/../../support/lib.sh"

stop_program() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null && wait "$program_pid" 2>/dev/null
    program_pid=
}
cleanup() {
    stop_program
    rm -rf "$work"
}
trap cleanup EXIT

probe() { wine "$window_probe" "$@" | tr -d '\r'; }
ran() { [ -s "$marker" ] && echo "$(tr '\n' ' ' <"$marker")ran" || echo "nothing ran"; }
start_program() {  # WINEDLLOVERRIDES
    (cd "$work" && WINEDLLOVERRIDES=$1 exec wine "$folder/vantrel.exe") \
        >"$work/wine.log" 2>&1 &
    program_pid=$!
    wait_until 30 probe focus >/dev/null 2>&1
}

start_program "$overrides;oleacc=n,b"
[ "$(probe focus)" = Command1 ]
check $? "the window is up, with an oleacc.dll planted beside vantrel.exe"
[ ! -e "$marker" ]
check $? "the planted oleacc.dll did not run at start ($(ran))"
IFS='|' read -r name _ _ < <(probe accessible VScroll1)
[ "$name" = "Hour spinner" ]
check $? "a screen reader reads the spinner as \"$name\""
[ ! -e "$marker" ]
check $? "the planted oleacc.dll did not run on WM_GETOBJECT ($(ran))"
stop_program

start_program "$overrides;oleacc="
[ "$(probe focus)" = Command1 ]
check $? "without oleacc.dll the window is up"
probe accessible VScroll1 >/dev/null && kill -0 "$program_pid" 2>/dev/null
check $? "without oleacc.dll the window answers a screen reader and keeps running"
stop_program

checks_passed
