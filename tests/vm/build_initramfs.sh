#!/usr/bin/env bash
# Packs the test VM's initramfs: static busybox, the kernel's modules, the static devcon.exe, the
# udev rule, a user who is not root, and the test itself as /init.
# Usage: build_initramfs.sh KERNEL_DIR DEVCON_EXE UDEV_RULE OUTPUT
set -euo pipefail

kernel=$1
devcon=$2
rule=$3
output=$4
here=$(cd "$(dirname "$0")" && pwd)

staging=$(mktemp -d)
chmod 0755 "$staging"  # the root folder of the VM, which the user "tester" must traverse
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging"/{bin,etc,modules,proc,sys,dev,tmp}
cp /bin/busybox "$staging/bin/busybox"
cp "$devcon" "$staging/bin/devcon.exe"
cp "$kernel"/modules/* "$staging/modules/"
cp "$rule" "$staging/etc/vantrel-usb.rules"
install -m 0755 "$here/vm_init.sh" "$staging/init"
cat >"$staging/etc/passwd" <<'USERS'
root:x:0:0:root:/:/bin/sh
tester:x:1000:1000:tester:/tmp:/bin/sh
USERS
cat >"$staging/etc/group" <<'GROUPS'
root:x:0:
tester:x:1000:
vantrel:x:1001:tester
GROUPS
echo /bin/sh >"$staging/etc/shells"

(cd "$staging" && find . | cpio -o -H newc -R 0:0 --quiet) >"$output"
