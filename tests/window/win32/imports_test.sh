#!/usr/bin/env bash
# vantrel.exe is one self-contained GUI program that runs as administrator: it imports only
# Known DLLs, which Windows maps from its own folder whatever the search order. Any other DLL, even
# one that comes with Windows such as oleacc.dll, would be looked for in the program's folder
# first. No C++ runtime, libgcc or winpthread DLL either.
#   imports_test.sh VANTREL_EXE
set -euo pipefail
headers=$(x86_64-w64-mingw32-objdump -p "$1")
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
if grep -q 'Subsystem[[:space:]]*00000002' <<<"$headers"; then
    echo "ok   GUI subsystem"
else
    echo "FAIL not a GUI program" && status=1
fi
exit $status
