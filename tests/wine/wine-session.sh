#!/usr/bin/env bash
# The Wine session of the Windows tests: a private Wine prefix and a private Xvfb display, both
# kept in one session folder and started once per test run. As a command:
#   wine-session.sh DIR start                          boot the prefix if new, start Xvfb and wineserver
#   wine-session.sh DIR run [--dpi N] PROGRAM [ARG...] run PROGRAM under Wine (system DPI N, default 96)
#   wine-session.sh DIR stop                           stop wineserver and Xvfb
# Sourced by the scripts that drive Wine themselves:
#   wine_session_join DIR       this shell's `wine` runs in the started session DIR
#   wine_session_set_dpi N      sets the session's system DPI (96 after `start`)
source "$(dirname "${BASH_SOURCE[0]}")/../support/xvfb.sh"

# The session's prefix and Wine's settings, for this shell and what it starts.
wine_session_environment() {  # DIR
    mkdir -p "$1"
    wine_session_dir=$(cd "$1" && pwd)
    export WINEPREFIX="$wine_session_dir/prefix"
    # No Mono or Gecko download; and no winemenubuilder, which would turn a shortcut that a test
    # installs into a menu entry and icons in the Linux user's home.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    export WINEDEBUG=-all
    export LC_ALL=C.UTF-8
}

wine_session_join() {  # DIR
    wine_session_environment "$1"
    if [ ! -s "$wine_session_dir/display" ]; then
        echo "wine-session: no session in $wine_session_dir; run 'wine-session.sh $1 start' first" >&2
        exit 2
    fi
    DISPLAY=:$(cat "$wine_session_dir/display")
    XAUTHORITY="$wine_session_dir/Xauthority"
    export DISPLAY XAUTHORITY
}

wine_reg_dword() {  # KEY NAME VALUE
    wine reg add "$1" /v "$2" /t REG_DWORD /d "$3" /f >/dev/null
}

# Newer Wine (10) reads the system DPI once per session, so a change ends the session and the
# next program starts a new one. A test may start its program and its probes at the same time:
# one at a time here, so that only a real change ends anything.
wine_session_set_dpi() {  # DPI
    local lock
    exec {lock}>"$wine_session_dir/dpi.lock"
    flock "$lock"
    if [ "$(cat "$wine_session_dir/dpi" 2>/dev/null)" != "$1" ]; then
        wine_reg_dword 'HKCU\Control Panel\Desktop' LogPixels "$1"
        wineserver -k
        wineserver -w
        echo "$1" >"$wine_session_dir/dpi"
    fi
    exec {lock}>&-
}

# Xvfb runs no window manager, so Wine manages the windows and draws their frames itself
# (caption, close box); otherwise it would wait for a manager on every window it hides.
# Wine's own fonts (Marlett draws the caption buttons) go where every Wine version finds them, and
# Verdana, which is not free, is replaced by its look-alike DejaVu Sans.
wine_session_configure_prefix() {
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

wine_session_start() {  # DIR
    wine_session_stop "$1"
    xvfb_start --detach "$wine_session_dir"
    wine_session_join "$1"
    # Everything Wine keeps running (wineserver, services, the desktop) writes to the log, not
    # to the test runner's pipes.
    mkdir -p "$WINEPREFIX"
    {
        wineserver -p
        wineboot -i
        wine_session_configure_prefix
        rm -f "$wine_session_dir/dpi"
        wine_session_set_dpi 96
    } </dev/null >>"$wine_session_dir/wine.log" 2>&1
    echo "wine session ready in $wine_session_dir on display $DISPLAY"
}

wine_session_stop() {  # DIR
    wine_session_environment "$1"
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    xvfb_stop "$wine_session_dir"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -euo pipefail
    case ${2:-} in
    start) wine_session_start "$1" ;;
    stop) wine_session_stop "$1" ;;
    run)
        wine_session_join "$1"
        shift 2
        dpi=96
        if [ "${1:-}" = --dpi ]; then
            dpi=$2
            shift 2
        fi
        wine_session_set_dpi "$dpi" </dev/null
        exec wine "$@"
        ;;
    *)
        echo "usage: $0 DIR start|run [--dpi N] PROGRAM [ARG...]|stop" >&2
        exit 2
        ;;
    esac
fi
