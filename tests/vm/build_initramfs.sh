#!/usr/bin/env bash
# Packs the test VM's initramfs: static busybox, the kernel's modules, the static devcon.exe,
# Debian's udevadm with the libraries it links, the udev rule and the package's postinst and postrm,
# a user who is not root, and the test itself as /init.
# Usage: build_initramfs.sh KERNEL_DIR DEVCON_EXE UDEVADM UDEV_RULE DEBIAN_DIR OUTPUT
set -euo pipefail

kernel=$1
devcon=$2
udevadm=$3
rule=$4
debian=$5
output=$6
here=$(cd "$(dirname "$0")" && pwd)

staging=$(mktemp -d)
chmod 0755 "$staging"  # the root folder of the VM, which the user "tester" must traverse
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging"/{bin,debian,etc/udev/rules.d,lib/systemd,modules,proc,run,sys,dev,tmp}
cp /bin/busybox "$staging/bin/busybox"
cp "$devcon" "$staging/bin/devcon.exe"
cp "$kernel"/modules/* "$staging/modules/"
install -m 0755 "$here/vm_init.sh" "$staging/init"

# udevadm, run as systemd-udevd, applies the rule. Its libraries and the dynamic loader come from
# this machine, at the paths ldd finds them.
cp "$udevadm" "$staging/bin/udevadm"
ln -s /bin/udevadm "$staging/lib/systemd/systemd-udevd"
libraries=$(ldd "$udevadm")
if grep -q 'not found' <<<"$libraries"; then
    echo "udevadm needs libraries this machine lacks:" >&2
    grep 'not found' <<<"$libraries" >&2
    exit 1
fi
for library in $(grep -o '/[^ ]*' <<<"$libraries"); do
    mkdir -p "$staging$(dirname "$library")"
    cp -L "$library" "$staging$library"
done
cp "$rule" "$staging/etc/udev/rules.d/70-vantrel-usb-authorized.rules"
cp "$debian/postinst" "$debian/postrm" "$staging/debian/"
# Witness of every USB device that udev has handled (an "add" or a "change"): the rule's checks
# are only worth anything once udev has handled the devices they look at.
cat >"$staging/etc/udev/rules.d/99-vm-witness.rules" <<'RULE'
ACTION=="add|change", SUBSYSTEM=="usb", ENV{DEVTYPE}=="usb_device", RUN+="/bin/udev-witness %k"
RULE
printf '#!/bin/sh\necho "$1" >>/run/udev-added\n' >"$staging/bin/udev-witness"
chmod 0755 "$staging/bin/udev-witness"

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
