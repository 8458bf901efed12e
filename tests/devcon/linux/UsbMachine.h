#pragma once

#include "tests/devcon/linux/FakeUsbTree.h"

// The machine the tests switch: an xHCI controller (root hubs usb1 and usb2) with a keyboard and
// a hub holding a keyboard, a mouse and a second hub with a tablet, and an EHCI controller
// (usb3) with a storage stick.
inline void PlugUsbMachine(FakeUsbTree& fake) {
    fake.PlugRootHub(1, "xHCI Host Controller");
    fake.PlugDevice("1-1", "QEMU USB Keyboard");
    fake.PlugDevice("1-2", "QEMU USB Hub");
    fake.PlugDevice("1-2.1", "QEMU USB Keyboard");
    fake.PlugDevice("1-2.2", "QEMU USB Mouse");
    fake.PlugDevice("1-2.3", "QEMU USB Hub");
    fake.PlugDevice("1-2.3.1", "QEMU USB Tablet");
    fake.PlugRootHub(2, "xHCI Host Controller");
    fake.PlugRootHub(3, "EHCI Host Controller");
    fake.PlugDevice("3-1", "QEMU USB HARDDRIVE");
}
