#!/usr/bin/env bash
# Boots Debian's kernel under QEMU (software emulation) with emulated USB controllers and devices,
# runs devcon.exe and Debian's systemd-udevd with our udev rule inside the VM (vm_init.sh) and
# checks the results it prints on the serial console. The package's postinst and postrm run there
# too. Usage: devcon_vm_test.sh DEVCON_EXE UDEV_RULE DEBIAN_DIR CACHE_DIR WORK_DIR
set -euo pipefail
source "$(dirname "$0")/../support/lib.sh"

devcon=$1
rule=$2
debian=$3
cache=$4
work=$5
here=$(cd "$(dirname "$0")" && pwd)
boot_timeout=300

# Every check vm_init.sh makes; each must report PASS.
checks=(boot ports-disable disable enable nonroot-disable nonroot-enable enable-again drive-in-use drive-enable
    group-rule postinst-replay group-switch group-enable group-later group-alone enable-after-group-alone group-restart
    concurrent-restart enable-after-concurrent-restart concurrent-watchdog
    enable-after-concurrent-watchdog policy firewall-write firewall-enable policy-lifted firewall-port
    enable-after-firewall-port postrm)

started=$(now_ms)
mkdir -p "$work"
bash "$here/fetch_kernel.sh" "$cache"
bash "$here/fetch_udevadm.sh" "$cache"
bash "$here/build_initramfs.sh" "$cache/kernel" "$devcon" "$cache/udev/udevadm" "$rule" \
    "$debian" "$work/initramfs.cpio"
truncate -s 16M "$work/stick.img"
console="$work/console.log"
rm -f "$console" "$work/qemu-trace.log"

# xHCI: a keyboard, and a hub that switches its ports' power with a keyboard, a mouse and a
# second hub (without power switching) with a tablet behind it.
# EHCI: a storage stick. The xHCI controller raises pin interrupts, not MSI: under kernel 6.12,
# QEMU's xHCI with MSI loses the completion of the first command after its root hubs are switched
# back on, and the kernel's USB hub thread then waits for it forever.
usb_devices=(
    -device nec-usb-xhci,id=xhci,msi=off,msix=off
    -device usb-kbd,bus=xhci.0,port=1
    -device usb-hub,bus=xhci.0,port=2,port-power=on
    -device usb-kbd,bus=xhci.0,port=2.1
    -device usb-mouse,bus=xhci.0,port=2.2
    -device usb-hub,bus=xhci.0,port=2.3
    -device usb-tablet,bus=xhci.0,port=2.3.1
    -device usb-ehci,id=ehci
    -drive if=none,id=stick,format=raw,file="$work/stick.img"
    -device usb-storage,bus=ehci.0,drive=stick
)
expected_devices=7

status=0
timeout --kill-after=5 "$boot_timeout" qemu-system-x86_64 \
    -accel tcg -cpu max -m 512 -nodefaults -no-user-config -display none -no-reboot \
    -serial "file:$console" \
    -kernel "$cache/kernel/vmlinuz" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 vantrel.devices=$expected_devices" \
    -trace 'usb_hub_*' -D "$work/qemu-trace.log" "${usb_devices[@]}" || status=$?
elapsed_ms=$(($(now_ms) - started))

grep -a '^VMTEST ' "$console" | tr -d '\r' >"$work/results.txt" || true
sed 's/^VMTEST //' "$work/results.txt"
echo "Kernel: $(cat "$cache/kernel/package"); $(cat "$cache/udev/package"); QEMU exit $status;" \
    "VM test took $((elapsed_ms / 1000)).$(printf '%03d' $((elapsed_ms % 1000))) s"

# The emulated hubs' side of the ports' switching: the requests that cut a port's power.
power_offs=$(grep -c 'usb_hub_clear_port_feature .*feature power' "$work/qemu-trace.log" || true)
echo "QEMU's hubs were asked $power_offs times to switch a port's power off"

failed=0
if [ "$power_offs" -eq 0 ]; then
    echo "no hub port was asked to switch its power off" >&2
    failed=1
fi
if [ "$status" -ne 0 ]; then
    echo "QEMU did not finish within $boot_timeout s (exit $status); console tail:" >&2
    tail -n 30 "$console" >&2
    failed=1
fi
if grep -q '^VMTEST FAIL' "$work/results.txt"; then
    failed=1
fi
for check in "${checks[@]}"; do
    if ! grep -q "^VMTEST PASS $check " "$work/results.txt"; then
        echo "missing result: $check" >&2
        failed=1
    fi
done
if ! grep -q '^VMTEST DONE failures=0$' "$work/results.txt"; then
    echo "the VM did not finish its checks" >&2
    failed=1
fi
exit "$failed"
