#!/usr/bin/env bash
# The installer, as an administrator deploys it: told to install into another folder (/D), it
# refuses. Run silently (/S) from a Downloads folder where DLLs were planted, it installs every
# file of the release zip into C:\Program Files\Vantrel, a Start menu shortcut and an Apps &
# Features entry in the 64-bit registry, and runs none of the planted DLLs. The installed program,
# started by its shortcut, shows its window and launches the devcon.exe of its folder (a recording
# stand-in). Installed again over the running program, the installer closes it first; so does the
# entry's QuietUninstallString, which then removes the files, the folder, the shortcut and the entry.
#   installer_test.sh SESSION_DIR SETUP_EXE RELEASE_ZIP RECORDING_DEVCON WINDOW_PROBE PLANTED_DLL
set -uo pipefail

session_dir=$1
setup=$2
zip=$3
recording_devcon=$4
window_probe=$5
planted_dll=$6
source "$(dirname "$0")/../../wine/wine-session.sh"
wine_session_join "$session_dir"

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel'
folder="$WINEPREFIX/drive_c/Program Files/Vantrel"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantrel.lnk"
work=$(mktemp -d /tmp/vantrel-setup-XXXXXX)
downloads="$work/Downloads"
log="$work/devcon.log"
mkdir -p "$downloads"
export DEVCON_LOG="Z:${log//\//\\}"

program_pid=
source "$(dirname "$0")/../../support/lib.sh"

cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

probe() { wine "$window_probe" "$@" | tr -d '\r'; }
# A value of the entry as the 64-bit registry holds it, or nothing.
entry() {  # NAME
    wine reg query "$key" /v "$1" /reg:64 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
installed_files() { (cd "$folder" 2>/dev/null && find . -type f | sed 's|^\./||' | sort); }
# Started by its shortcut, whose `start` returns at once: program_pid is the installed program's.
start_program() {
    (cd "$work" && wine start "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Vantrel.lnk") \
        >"$work/wine.log" 2>&1
    wait_until 30 probe focus >/dev/null 2>&1
    program_pid=$(pgrep -f '^C:.Program Files.Vantrel.vantrel\.exe')
}
program_ended() { [ -n "$program_pid" ] && wait_until 15 eval '! kill -0 "$program_pid" 2>/dev/null' && program_pid=; }

[ ! -e "$folder" ] && [ -z "$(entry DisplayName)" ]
check $? "nothing is installed before the test"

# NSIS loads these itself; the others that Wine's own DLLs load before the installer's first
# instruction (uxtheme, version, imm32, shcore, zlib1) are Wine's doing and left out.
planted=(userenv setupapi apphelp propsys dwmapi oleacc shfolder)
cp "$setup" "$downloads/" || exit 1
overrides=$WINEDLLOVERRIDES
for name in "${planted[@]}"; do
    cp "$planted_dll" "$downloads/$name.dll"
    overrides="$overrides;$name=n,b"
done

(cd "$work" && wine "$downloads/$(basename "$setup")" /S '/D=C:\elsewhere') >"$work/setup.log" 2>&1
[ $? -eq 2 ] && [ ! -e "$WINEPREFIX/drive_c/elsewhere" ] && [ ! -e "$folder" ] && [ -z "$(entry DisplayName)" ]
check $? "/S /D=C:\\elsewhere is refused with exit code 2: nothing installed"

(cd "$work" && WINEDLLOVERRIDES=$overrides wine "$downloads/$(basename "$setup")" /S) >"$work/setup.log" 2>&1
check $? "the installer runs silently with /S"
[ ! -e "$downloads/planted.log" ]
check $? "no DLL planted beside the installer ran ($(cat "$downloads/planted.log" 2>/dev/null | tr '\n' ' '))"

expected=$(unzip -Z1 "$zip" | sed 's|^[^/]*/||' | grep -v '^$' | { cat; echo Uninstall.exe; } | sort)
[ "$(installed_files)" = "$expected" ]
check $? "Program Files\\Vantrel holds every file of the zip and the uninstaller: $(installed_files | tr '\n' ' ')"
unzip -p "$zip" "$(basename "$zip" .zip)/vantrel.exe" | cmp -s - "$folder/vantrel.exe"
check $? "the installed vantrel.exe is the zip's"
[ -s "$shortcut" ]
check $? "the Start menu of all users has Vantrel.lnk"
wine reg query "$key" /reg:64 | tr -d '\r' | sed -n '/REG_/p'
[ "$(entry DisplayName)" = Vantrel ] && [ "$(entry DisplayVersion)" = "$(basename "$zip" -win64.zip | sed 's/^vantrel-//')" ] &&
    [ "$(entry Publisher)" = "The Vantrel developers" ] &&
    [ "$(entry DisplayIcon)" = 'C:\Program Files\Vantrel\vantrel.exe,0' ]
check $? "the Apps & Features entry names Vantrel, its version, publisher and icon"
[ "$(entry UninstallString)" = '"C:\Program Files\Vantrel\Uninstall.exe"' ] &&
    [ "$(entry QuietUninstallString)" = '"C:\Program Files\Vantrel\Uninstall.exe" /S' ]
check $? "the entry's uninstall commands, the quiet one with /S"
size=$(($(entry EstimatedSize)))
[ "$size" -ge $(($(du -sk "$folder" | cut -f1) / 2)) ] && [ "$size" -le $(($(du -sk "$folder" | cut -f1) * 2)) ]
check $? "the entry's EstimatedSize, $size KiB, is the folder's size"
! wine reg query "$key" /reg:32 >/dev/null 2>&1
check $? "the entry is in the 64-bit registry view only"

# The recording stand-in takes the place of the installed devcon.exe: nothing here ever switches
# a device.
cp "$recording_devcon" "$folder/devcon.exe"
start_program
[ "$(probe focus)" = Command1 ]
check $? "the shortcut starts the installed program: its window is up"
sleep 0.5
xdotool mousemove $(probe at Command2 0.5 0.5) click 1
wait_until 10 eval '[ "$(devcon_count disable "$log")" -ge 1 ]'
launched=$(paste <(devcon_field exe "$log") <(devcon_field argv "$log") | head -1)
grep -qixF $'C:\\Program Files\\Vantrel\\devcon.exe\tC:\\Program Files\\Vantrel\\devcon.exe|disable|@USB\\*' <<<"$launched"
check $? "USB Off launches the devcon.exe of C:\\Program Files\\Vantrel: $launched"

(cd "$work" && wine "$setup" /S) >"$work/setup-again.log" 2>&1
check $? "installed again over the running program"
program_ended
check $? "the installer closed the program"
[ "$(installed_files)" = "$expected" ] && [ "$(entry DisplayName)" = Vantrel ]
check $? "the files and the entry are in place"

# On another desktop, as in another session, FindWindow does not see the program: the installer
# closes it through its event.
(cd "$work" && wine explorer /desktop=other,800x600 'C:\Program Files\Vantrel\vantrel.exe') \
    >"$work/other-desktop.log" 2>&1 &
wait_until 30 eval 'pgrep -f "^C:.Program Files.Vantrel.vantrel\.exe" >/dev/null'
program_pid=$(pgrep -f '^C:.Program Files.Vantrel.vantrel\.exe')
[ -n "$program_pid" ] && ! probe focus >/dev/null 2>&1
check $? "the program runs on another desktop, out of this one's sight"
(cd "$work" && wine "$setup" /S) >"$work/setup-other.log" 2>&1
check $? "installed again over the program on the other desktop"
program_ended
check $? "the installer closed the program on the other desktop"
cp "$recording_devcon" "$folder/devcon.exe"
start_program
[ "$(probe focus)" = Command1 ]
check $? "the program runs again"

# As deployment tools run it: the quoted uninstaller, then its arguments.
quiet=$(entry QuietUninstallString)
uninstaller=$(sed -n 's/^"\([^"]*\)" .*/\1/p' <<<"$quiet")
arguments=${quiet#\"$uninstaller\" }
(cd "$work" && wine "$uninstaller" $arguments) >"$work/uninstall.log" 2>&1
check $? "the quiet uninstall command runs while the program does"
program_ended
check $? "the uninstaller closed the program"
# The uninstaller finishes from a copy of itself in the temporary folder.
wait_until 30 test ! -e "$folder"
check $? "C:\\Program Files\\Vantrel is gone ($(installed_files | tr '\n' ' '))"
[ ! -e "$shortcut" ]
check $? "the shortcut is gone"
! wine reg query "$key" /reg:64 >/dev/null 2>&1
check $? "the Apps & Features entry is gone"

checks_passed
