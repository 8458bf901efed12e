#!/usr/bin/env bash
# vantrel.exe is one self-contained GUI program: it imports only DLLs that come with Windows (no
# C++ runtime, libgcc or winpthread DLL to carry along).
#   imports_test.sh VANTREL_EXE
set -euo pipefail
headers=$(x86_64-w64-mingw32-objdump -p "$1")
status=0
while read -r dll; do
    case "${dll,,}" in
    kernel32.dll | advapi32.dll | user32.dll | gdi32.dll | shell32.dll | ole32.dll | oleacc.dll | oleaut32.dll | msvcrt.dll)
        echo "ok   imports $dll"
        ;;
    *) echo "FAIL imports $dll, which Windows does not ship" && status=1 ;;
    esac
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
if grep -q 'Subsystem[[:space:]]*00000002' <<<"$headers"; then
    echo "ok   GUI subsystem"
else
    echo "FAIL not a GUI program" && status=1
fi
exit $status
