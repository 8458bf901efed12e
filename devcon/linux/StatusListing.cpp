#include "StatusListing.h"

#include <cstring>
#include <map>
#include <string>

#include "DeviceLabel.h"
#include "DevicePolicy.h"
#include "DrivesInUse.h"
#include "HubPorts.h"
#include "SysfsFailures.h"
#include "UsbEntryName.h"

namespace {

// "1 on, 2 off, 3 on" for each hub whose ports can be switched: as the hub reports each port's
// power, so "off" is a port without power; one that a hub without power switching keeps powered
// reads "on" even after devcon.exe disable.
std::map<std::string, std::string> PortStates(const PortListing& listing, const SysfsTree& tree) {
    std::map<std::string, std::string> states;
    for (const HubPort& port : listing.ports) {
        const SysfsTree::Attribute disable = tree.Read(port.hub, port.attribute);
        if (IsVanished(disable.error)) {
            continue;
        }
        std::string& line = states[port.hub];
        line += (line.empty() ? "" : ", ") + port.name.substr(port.hub.size() + 5) + " " +
                (disable.error != 0     ? std::string("unreadable: ") + std::strerror(disable.error)
                 : disable.value == "1" ? "off"
                                        : "on");
    }
    return states;
}

}  // namespace

void ListStatus(const SysfsTree& tree, Report& report) {
    const SysfsTree::Listing listing = tree.ListDevices();
    if (listing.error != 0) {
        ListFailed(report, tree.DevicesFolder(), listing.error);
        return;
    }
    const DrivesInUse inUse = FindDrivesInUse(tree, report);
    const PortListing hubPorts = ListSwitchablePorts(tree, PortOrder::NearestFirst);
    const std::map<std::string, std::string> ports = PortStates(hubPorts, tree);
    int found = 0;
    for (const std::string& entry : listing.devices) {
        const SysfsTree::Attribute authorized = tree.Read(entry, "authorized");
        if (IsVanished(authorized.error)) {
            continue;
        }
        if (authorized.error != 0) {
            ReadFailed(report, entry, tree.AttributePath(entry, "authorized"), authorized.error);
            continue;
        }
        std::string state = "running";
        if (ParseUsbDeviceName(entry)->IsRootHub()) {
            // What devcon.exe disable leaves on, and why.
            for (const DriveInUse& drive : inUse.Below(entry)) {
                state += (state == "running" ? ", held on: " : "; ") + drive.description;
            }
        }
        if (authorized.value == "0") {
            state = "disabled";
            if (!ParseUsbDeviceName(entry)->IsRootHub()) {
                const DevicePolicy policy = PolicyOver(tree, entry, report);
                if (policy.kind == DevicePolicy::Vanished) {
                    continue;
                }
                if (policy.kind == DevicePolicy::HoldsBack) {
                    state = policy.HeldBackState();
                }
            }
        }
        report.Device(DeviceLabel(tree, entry), state);
        if (const auto hub = ports.find(entry); hub != ports.end()) {
            report.Device(entry + " ports (power as the hub reports it)", hub->second);
        }
        ++found;
    }
    if (hubPorts.ports.empty() && hubPorts.withoutDisable > 0) {
        report.Line(
            "No hub port can be switched here (no port has \"disable\", as before kernel "
            "6.0): devcon.exe disable unplugs devices logically, without cutting power.");
    }
    report.Line(std::to_string(found) + " matching device(s) found.");
}
