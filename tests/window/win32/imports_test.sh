#!/usr/bin/env bash
# A program of the release is self-contained and runs as administrator (or is started by one that
# does): it imports only Known DLLs, which Windows maps from its own folder whatever the search
# order. Any other DLL, even one that comes with Windows such as oleacc.dll or cfgmgr32.dll, would
# be looked for in the program's folder first. No C++ runtime, libgcc or winpthread DLL either.
# It is a GUI or a console program as named.
#   imports_test.sh EXE gui|console
set -euo pipefail
exe=$1
subsystem=$2
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
status=0
while read -r dll; do
    case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | shell32.dll | ole32.dll | oleaut32.dll | msvcrt.dll | \
        advapi32.dll | comdlg32.dll | shlwapi.dll | setupapi.dll | shcore.dll)
        echo "ok   imports $dll, a Known DLL"
        ;;
    *) echo "FAIL imports $dll, which is not a Known DLL" && status=1 ;;
    esac
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
# Windows 7 has SetDefaultDllDirectories only with update KB2533623: imported, the program would not
# start without it. It is looked up at run time.
if grep -q 'SetDefaultDllDirectories' <<<"$headers"; then
    echo "FAIL imports SetDefaultDllDirectories, which Windows 7 lacks without KB2533623" && status=1
else
    echo "ok   SetDefaultDllDirectories not imported"
fi
case $subsystem in
gui) number=2 ;;
console) number=3 ;;
esac
if grep -q "Subsystem[[:space:]]*0000000$number" <<<"$headers"; then
    echo "ok   $subsystem subsystem"
else
    echo "FAIL not a $subsystem program" && status=1
fi
exit $status
