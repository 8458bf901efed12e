#!/usr/bin/env bash
# The probe (RunDevcon, then the start-up check) beside a recording devcon.exe, under Wine, in a
# folder so deep that its path has more than MAX_PATH characters: nothing starts, and the check
# says so rather than "ready". Then from a shallow folder both go. Wine starts a program of so deep
# a path only from the Linux side, as here; Windows itself only from a long-path-aware caller.
#   win32_deep_folder_test.sh WINE_DIR LAUNCH_PROBE RECORDING_DEVCON
set -uo pipefail
wine_dir=$1
probe=$2
recorder=$3
source "$(dirname "$0")/../support/lib.sh"
source "$(dirname "$0")/../wine/wine-session.sh"
wine_session_join "$wine_dir"
wine_session_set_dpi 96

work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-deep-XXXXXX")
trap 'rm -rf "$work"' EXIT
export DEVCON_LOG="$work/devcon.log"

deep="$work/shallow"
while [ $((${#deep} + 12)) -lt 270 ]; do deep="$deep/deeper folder"; done
for folder in "$deep" "$work/shallow"; do
    mkdir -p "$folder"
    cp "$probe" "$folder/probe.exe"
    cp "$recorder" "$folder/devcon.exe"
done

run_probe() { (cd "$work" && wine "$1/probe.exe" enable 1); }

from_deep=$(run_probe "$deep")
echo "$from_deep"
grep -q '^readiness Vantrel is in a folder too deep for it' <<<"$from_deep"
check $? "from a path (Z:\\...\\probe.exe) of $((${#deep} + 12)) characters the check says the folder is too deep"
sleep 1 # room for a launch that should not be
[ ! -s "$DEVCON_LOG" ]
check $? "and RunDevcon started nothing"

from_shallow=$(run_probe "$work/shallow")
echo "$from_shallow"
grep -q '^readiness ready' <<<"$from_shallow"
check $? "from a shallow folder the check says ready"
wait_until 10 test -s "$DEVCON_LOG"
[ "$(wc -l <"$DEVCON_LOG" 2>/dev/null || echo 0)" -eq 1 ]
check $? "and RunDevcon started devcon.exe"
checks_passed
