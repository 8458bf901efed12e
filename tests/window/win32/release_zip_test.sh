#!/usr/bin/env bash
# The release zip, as a Windows user downloads it: one folder named like the zip, holding the
# vantrel.exe and devcon.exe that were built, README.txt and LICENSE.txt (both with Windows line
# ends), and nothing else.
#   release_zip_test.sh RELEASE_ZIP VANTREL_EXE DEVCON_EXE LICENSE
set -uo pipefail

zip=$1
vantrel_exe=$2
devcon_exe=$3
license=$4
folder=$(basename "$zip" .zip)
work=$(mktemp -d /tmp/vantrel-zip-XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/../../support/lib.sh"

# Every line ends in CR LF, the last one too.
crlf_only() {  # FILE
    [ -s "$1" ] && ! grep -qv $'\r$' "$1" && [ "$(tail -c 2 "$1" | od -An -c | tr -d ' ')" = '\r\n' ]
}

unzip -q "$zip" -d "$work"
check $? "$(basename "$zip") unpacks"
listing=$(unzip -Z1 "$zip" | sort)
[ "$listing" = "$(printf '%s\n' "$folder/LICENSE.txt" "$folder/README.txt" "$folder/devcon.exe" \
    "$folder/vantrel.exe")" ]
check $? "one folder, $folder, with LICENSE.txt, README.txt, devcon.exe and vantrel.exe only: \
$(echo $listing)"
cmp -s "$work/$folder/vantrel.exe" "$vantrel_exe"
check $? "vantrel.exe is the one built"
cmp -s "$work/$folder/devcon.exe" "$devcon_exe"
check $? "devcon.exe is the one built, beside vantrel.exe"
crlf_only "$work/$folder/README.txt"
check $? "README.txt has Windows line ends"
sed 's/$/\r/' "$license" | cmp -s - "$work/$folder/LICENSE.txt"
check $? "LICENSE.txt is the project's licence with Windows line ends"

checks_passed
