#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Names of the entries under bus/usb/devices: "usb3" is the root hub of bus 3, "3-1.4.2" the
// device on port 2 of the hub on port 4 of the device on port 1 of that root hub, and names
// with a colon ("3-1:1.0") are interfaces of a device.
struct UsbEntryName {
    int bus = 0;
    std::vector<int> ports;  // empty for a root hub

    bool IsRootHub() const { return ports.empty(); }
    std::string RootHub() const { return "usb" + std::to_string(bus); }

    // Parents sort before their children, and buses in number order.
    friend auto operator<=>(const UsbEntryName&, const UsbEntryName&) = default;
};

// The parsed name of a USB device entry; nothing for interfaces and anything else.
std::optional<UsbEntryName> ParseUsbDeviceName(std::string_view name);
