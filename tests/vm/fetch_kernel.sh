#!/usr/bin/env bash
# Fetches the kernel of this machine's Debian release (the newest generic
# linux-image-*-amd64-unsigned that apt offers, whatever its version; not the rt or cloud one) and
# keeps only what the test VM boots: vmlinuz and the USB, HID and storage modules with everything
# they depend on, uncompressed, in load order. Usage: fetch_kernel.sh CACHE_DIR. Does nothing once
# CACHE_DIR holds a kernel with all of them.
set -euo pipefail
# depmod and modprobe live in /sbin, which a user's PATH (and root's after a plain su) lacks.
export PATH="$PATH:/usr/sbin:/sbin"

cache=$1
kernel="$cache/kernel"

# What the VM's controllers, devices and the stick's FAT file system need; modprobe adds what these
# depend on.
wanted=(xhci-pci ehci-pci ohci-pci uhci-hcd usbhid hid-generic evdev usb-storage sd_mod vfat
    nls_cp437 nls_ascii)
kept() {
    for module in "${wanted[@]}"; do
        grep -qx "${module//-/_}.ko" <(tr - _ <"$kernel/modules/order") || return 1
    done
}
[ -f "$kernel/modules/order" ] && kept && exit 0

newest_package() {
    apt-cache search --names-only '^linux-image-[0-9][^ ]*[0-9]-amd64-unsigned$' |
        cut -d' ' -f1 | sort -V | tail -n1
}

package=$(newest_package)
if [ -z "$package" ] && [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    package=$(newest_package)
fi
if [ -z "$package" ]; then
    echo "apt offers no linux-image-*-amd64-unsigned package (run apt-get update as root)" >&2
    exit 1
fi

mkdir -p "$cache"
scratch=$(mktemp -d "$cache/fetch.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
echo "Fetching $package" >&2
download() {
    (cd "$scratch" && apt-get download -qq "$package" 2>&1 | grep -v 'unsandboxed as root' >&2 || true)
    deb=$(echo "$scratch"/*.deb)
    [ -f "$deb" ]
}
# Stale package lists name a version the archive no longer has: refresh them once.
if ! download && [ "$(id -u)" -eq 0 ]; then
    apt-get update -qq
    package=$(newest_package)
    download || true
fi
[ -f "$deb" ] || { echo "apt-get download $package failed" >&2; exit 1; }
dpkg-deb -x "$deb" "$scratch/root"
# Newer packages keep the modules in /usr/lib only; depmod and modprobe look in lib/modules.
[ -e "$scratch/root/lib" ] || ln -s usr/lib "$scratch/root/lib"
version=$(ls "$scratch/root/lib/modules")
depmod -b "$scratch/root" "$version"

mkdir -p "$scratch/kernel/modules"
cp "$scratch/root/boot/vmlinuz-$version" "$scratch/kernel/vmlinuz"
modprobe -d "$scratch/root" -S "$version" --all --show-depends "${wanted[@]}" |
    awk '$1 == "insmod" && !seen[$2]++ { print $2 }' |
    while read -r module; do
        # The VM's busybox insmod takes plain modules only.
        name=$(basename "$module")
        case "$name" in
        *.ko.xz) xz -dc "$module" >"$scratch/kernel/modules/${name%.xz}" ;;
        *.ko.zst) zstd -qdc "$module" >"$scratch/kernel/modules/${name%.zst}" ;;
        *.ko.gz) gzip -dc "$module" >"$scratch/kernel/modules/${name%.gz}" ;;
        *) cp "$module" "$scratch/kernel/modules/" ;;
        esac
        echo "${name%.ko*}.ko" >>"$scratch/kernel/modules/order"
    done
echo "$package" >"$scratch/kernel/package"
rm -rf "$kernel"
mv "$scratch/kernel" "$kernel"
echo "Kept $(wc -l <"$kernel/modules/order") modules of $package" >&2
