#!/usr/bin/env bash
# Runs the Windows test programs under Wine, in a private Wine prefix and on a private Xvfb
# display, both kept in one session folder and started once per test run:
#   wine-session.sh DIR start                          boot the prefix if new, start Xvfb and wineserver
#   wine-session.sh DIR run [--dpi N] PROGRAM [ARG...] run PROGRAM under Wine (system DPI N, default 96)
#   wine-session.sh DIR env                            print the session's environment for `eval`
#   wine-session.sh DIR stop                           stop wineserver and Xvfb
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/xvfb.sh"

dir=$1
command=$2
shift 2
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

export WINEPREFIX="$dir/prefix"
# No Mono or Gecko download; and no winemenubuilder, which would turn a shortcut that a test
# installs into a menu entry and icons in the Linux user's home.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=-all
export LC_ALL=C.UTF-8

wine_reg_dword() {  # KEY NAME VALUE
    wine reg add "$1" /v "$2" /t REG_DWORD /d "$3" /f >/dev/null
}

# Newer Wine (10) reads the system DPI once per session, so a change ends the session and the
# next program starts a new one. A test may start its program and its probes at the same time:
# one at a time here, so that only a real change ends anything.
set_dpi() {
    local dpi=$1
    exec {lock}>"$dir/dpi.lock"
    flock "$lock"
    if [ "$(cat "$dir/dpi" 2>/dev/null)" != "$dpi" ]; then
        wine_reg_dword 'HKCU\Control Panel\Desktop' LogPixels "$dpi"
        wineserver -k
        wineserver -w
        echo "$dpi" >"$dir/dpi"
    fi
    exec {lock}>&-
}

# Xvfb runs no window manager, so Wine manages the windows and draws their frames itself
# (caption, close box); otherwise it would wait for a manager on every window it hides.
# Wine's own fonts (Marlett draws the caption buttons) go where every Wine version finds them, and
# Verdana, which is not free, is replaced by its look-alike DejaVu Sans.
configure_prefix() {
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Verdana /t REG_SZ /d 'DejaVu Sans' /f
    # A USB root hub, as a machine has, which the program's start-up check looks for.
    local hub='HKLM\System\CurrentControlSet\Enum\USB\ROOT_HUB30\4&WINESESSION&0&0'
    wine reg add "$hub" /v ClassGUID /t REG_SZ /d '{36fc9e60-c465-11cf-8056-444553540000}' /f
    wine reg add "$hub" /v DeviceDesc /t REG_SZ /d 'USB Root Hub (USB 3.0)' /f
    if [ -d /usr/share/wine/fonts ]; then
        cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
}

load_display() {
    if [ ! -s "$dir/display" ]; then
        echo "wine-session: no session in $dir; run '$0 $dir start' first" >&2
        exit 2
    fi
    DISPLAY=:$(cat "$dir/display")
    XAUTHORITY="$dir/Xauthority"
    export DISPLAY XAUTHORITY
}

start() {
    stop_quietly
    xvfb_start --detach "$dir"
    load_display

    # Everything Wine keeps running (wineserver, services, the desktop) writes to the log, not
    # to the test runner's pipes.
    mkdir -p "$WINEPREFIX"
    {
        wineserver -p
        wineboot -i
        configure_prefix
        rm -f "$dir/dpi"
        set_dpi 96
    } </dev/null >>"$dir/wine.log" 2>&1
    echo "wine session ready in $dir on display $DISPLAY"
}

stop_quietly() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    xvfb_stop "$dir"
}

case $command in
start) start ;;
stop) stop_quietly ;;
env)
    load_display
    for name in WINEPREFIX WINEDLLOVERRIDES WINEDEBUG LC_ALL DISPLAY XAUTHORITY; do
        printf 'export %s=%q\n' "$name" "${!name}"
    done
    ;;
run)
    load_display
    dpi=96
    if [ "${1:-}" = --dpi ]; then
        dpi=$2
        shift 2
    fi
    set_dpi "$dpi" </dev/null
    exec wine "$@"
    ;;
*)
    echo "usage: $0 DIR start|run|env|stop" >&2
    exit 2
    ;;
esac
