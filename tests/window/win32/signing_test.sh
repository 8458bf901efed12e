#!/usr/bin/env bash
# A release signed as a maintainer signs one, with a throw-away certificate of a throw-away CA:
# cpack, given VANTREL_SIGN_PFX and VANTREL_SIGN_PASSWORD_FILE, signs vantrel.exe and devcon.exe
# in the zip and in the installer, the uninstaller and the installer, all offline, and
# `osslsigncode verify` accepts each against the CA. The uninstaller exists only once the
# installer has written it: the signed installer is run silently under Wine, then uninstalled.
#   signing_test.sh SESSION_DIR CPACK_CONFIG
set -uo pipefail
session_dir=$1
cpack_config=$2
source "$(dirname "$0")/../../wine/wine-session.sh"
wine_session_join "$session_dir"
source "$(dirname "$0")/../../support/lib.sh"
folder="$WINEPREFIX/drive_c/Program Files/Vantrel"
work=$(mktemp -d /tmp/vantrel-signing-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# A CA, a code-signing certificate it issued, and both with the key in a PKCS#12 file whose
# password is in a file of its own.
{
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Vantrel test CA" &&
        openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Vantrel test signer" &&
        openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -out signer.pem \
            -extfile <(printf 'keyUsage=digitalSignature\nextendedKeyUsage=codeSigning\n') &&
        echo "throw-away password" >password &&
        openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -passout file:password -out signer.pfx
} >openssl.log 2>&1 || { cat openssl.log; exit 1; }

VANTREL_SIGN_PFX=$work/signer.pfx VANTREL_SIGN_PASSWORD_FILE=$work/password \
    cpack --config "$cpack_config" -B "$work/release" >cpack.log 2>&1
check $? "cpack makes the zip and the installer, signing $(grep -c '^-- Signed ' cpack.log) programs before packing"
zip=$(ls release/*-win64.zip) && setup=$(ls release/*-win64-setup.exe) && unzip -q "$zip" -d unzipped

verify() {  # FILE
    osslsigncode verify -CAfile ca.pem -in "$1" >verify.log 2>&1
    check $? "osslsigncode verify accepts $(basename "$1")${2:+ $2}: $(grep -E '^(Signature verification|Timestamp)' verify.log | tr '\n' ' ')"
}
verify "$setup"
verify unzipped/*/vantrel.exe "in the zip"
verify unzipped/*/devcon.exe "in the zip"

wine "$setup" /S >install.log 2>&1
check $? "the signed installer installs"
for file in vantrel.exe devcon.exe Uninstall.exe; do
    verify "$folder/$file" "as installed"
done
wine "$folder/Uninstall.exe" /S >uninstall.log 2>&1
wait_until 30 test ! -e "$folder"
check $? "the signed uninstaller removes the installation"

checks_passed
