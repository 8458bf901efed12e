#!/usr/bin/env bash
# A program of the release is self-contained: it imports only the DLLs named, which come with
# Windows (no C++ runtime, libgcc or winpthread DLL to carry along), and is a GUI or a console
# program as named.
#   imports_test.sh EXE gui|console DLL...
set -euo pipefail
exe=$1
subsystem=$2
shift 2
allowed=" ${*,,} "
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
status=0
while read -r dll; do
    if [[ $allowed == *" ${dll,,} "* ]]; then
        echo "ok   imports $dll"
    else
        echo "FAIL imports $dll, which is not one of:$allowed" && status=1
    fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
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
