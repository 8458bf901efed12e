#!/usr/bin/env bash
# A private Xvfb display for the tests, benchmarks and scripts. Xvfb itself picks a free display
# number (-displayfd) and reports it once it accepts clients, so that any number of copies can
# start at once; `xvfb-run -a` guesses a number first and races other copies for it.
#
#   xvfb.sh [--screen WxHxD] COMMAND [ARG...]
#       runs COMMAND with DISPLAY and XAUTHORITY naming a display of its own, stopped afterwards.
#   source xvfb.sh; xvfb_start [--detach] DIR [WxHxD]; ...; xvfb_stop DIR
#       starts a display (its files in DIR) and exports DISPLAY and XAUTHORITY; xvfb_stop stops
#       it. With --detach, in a session of its own, so that it outlives the caller's process group.

xvfb_start() {
    local launcher=
    if [ "$1" = --detach ]; then
        launcher=setsid
        shift
    fi
    local dir=$1 screen=${2:-1280x1024x24} cookie tries=0
    mkdir -p "$dir"
    export XAUTHORITY="$dir/Xauthority"
    rm -f "$dir/display"
    (umask 077 && : >"$XAUTHORITY")
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    # The server takes every cookie in the file, whatever display it names; clients look theirs up
    # by display number, added once Xvfb has chosen it.
    xauth -q -f "$XAUTHORITY" add :0 . "$cookie"
    $launcher Xvfb -displayfd 3 -auth "$XAUTHORITY" -screen 0 "$screen" -nolisten tcp \
        3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    until [ -s "$dir/display" ]; do
        if [ $((tries += 1)) -gt 200 ] || ! kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null; then
            echo "xvfb.sh: Xvfb did not start within 10 s: $(cat "$dir/xvfb.log")" >&2
            xvfb_stop "$dir"
            return 1
        fi
        sleep 0.05
    done
    DISPLAY=:$(tr -d '\n' <"$dir/display")
    export DISPLAY
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie"
    [ "$DISPLAY" = :0 ] || xauth -q -f "$XAUTHORITY" remove :0
}

xvfb_stop() {
    local dir=$1
    if [ -s "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
        rm -f "$dir/xvfb.pid"
    fi
    rm -f "$dir/display"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    screen=1280x1024x24
    if [ "${1:-}" = --screen ]; then
        screen=$2
        shift 2
    fi
    xvfb_dir=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-xvfb-XXXXXX")
    trap 'xvfb_stop "$xvfb_dir"; rm -rf "$xvfb_dir"' EXIT
    xvfb_start "$xvfb_dir" "$screen"
    status=0
    "$@" || status=$?
    exit "$status"
fi
