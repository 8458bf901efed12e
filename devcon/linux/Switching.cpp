#include "Switching.h"

#include <cerrno>
#include <string>
#include <vector>

#include "BoundedWrite.h"
#include "DeviceLabel.h"
#include "DevicePolicy.h"
#include "DrivesInUse.h"
#include "HubPorts.h"
#include "RootHubs.h"
#include "SysfsFailures.h"
#include "UsbEntryName.h"

namespace {

constexpr std::string_view kAuthorized = "authorized";

bool IsRootHub(const std::string& entry) {
    return ParseUsbDeviceName(entry)->IsRootHub();
}

// Writes `value` to the entry's `authorized` unless it holds it already, and says so as `state`.
// An entry that vanishes meanwhile is left alone. Returns whether the entry changed.
bool Authorize(const SysfsTree& tree, const std::string& entry, std::string_view value,
               std::string_view state, Report& report) {
    const SysfsTree::Attribute current = tree.Read(entry, kAuthorized);
    if (current.error != 0) {
        if (!IsVanished(current.error)) {
            ReadFailed(report, entry, tree.AttributePath(entry, kAuthorized), current.error);
        }
        return false;
    }
    if (current.value == value) {
        return false;
    }
    const std::string label = DeviceLabel(tree, entry);
    const int error = WriteBounded(tree, entry, kAuthorized, value);
    if (error != 0) {
        // Only root hubs are ever opened to group vantrel, so that it cannot let in a device that
        // a USB firewall keeps out; a device below one is refused to every other user.
        if ((error == EACCES || error == EPERM) && !IsRootHub(entry)) {
            SwitchOnNotPermitted(report, label, tree.AttributePath(entry, kAuthorized), error);
        } else if (!IsVanished(error)) {
            WriteFailed(report, entry, value, tree.AttributePath(entry, kAuthorized), error);
        }
        return false;
    }
    report.Device(label, state);
    return true;
}

// Whether the entry is there and switched off; a failure to tell is reported.
bool IsOff(const SysfsTree& tree, const std::string& entry, Report& report) {
    const SysfsTree::Attribute current = tree.Read(entry, kAuthorized);
    if (current.error != 0 && !IsVanished(current.error)) {
        ReadFailed(report, entry, tree.AttributePath(entry, kAuthorized), current.error);
    }
    return current.error == 0 && current.value == "0";
}

SysfsTree::Listing Reported(SysfsTree::Listing listing, const SysfsTree& tree, Report& report) {
    if (listing.error != 0) {
        ListFailed(report, tree.DevicesFolder(), listing.error);
    }
    return listing;
}

SysfsTree::Listing ListDevices(const SysfsTree& tree, Report& report) {
    return Reported(tree.ListDevices(), tree, report);
}

// The ports to switch off: every port of every hub, farthest from the root first, but for the
// ports on the way to a drive in use.
std::vector<HubPort> PortsToSwitchOff(const SysfsTree& tree, const DrivesInUse& inUse) {
    std::vector<HubPort> ports = ListSwitchablePorts(tree, PortOrder::FarthestFirst).ports;
    std::erase_if(ports, [&](const HubPort& port) { return !inUse.Below(port.device).empty(); });
    return ports;
}

// The root hubs to switch off: those with no drive in use below them. Each one left on is a
// failure that names the drive and its use.
std::vector<std::string> RootHubsToSwitchOff(const SysfsTree& tree, const DrivesInUse& inUse,
                                             Report& report) {
    std::vector<std::string> switchable;
    for (const std::string& hub : Reported(ListRootHubs(tree), tree, report).devices) {
        const std::vector<DriveInUse> drives = inUse.Below(hub);
        for (const DriveInUse& drive : drives) {
            DriveKeepsOn(report, hub, drive.description, drive.systemDisk);
        }
        if (drives.empty()) {
            switchable.push_back(hub);
        }
    }
    return switchable;
}

// A port that goes with its hub: gone, or EBUSY while its hub is being taken down by a copy that
// switches off beside this one (seen in the test VM).
bool IsGoing(int error) {
    return IsVanished(error) || error == EBUSY;
}

// Writes `value` to the port's `disable` unless it reads so already. Returns whether it changed.
bool SwitchPort(const SysfsTree& tree, const HubPort& port, std::string_view value,
                std::string_view state, Report& report) {
    const SysfsTree::Attribute current = tree.Read(port.hub, port.attribute);
    if (current.error != 0 || current.value == value) {
        if (current.error != 0 && !IsGoing(current.error)) {
            ReadFailed(report, port.name, tree.AttributePath(port.hub, port.attribute),
                       current.error);
        }
        return false;
    }
    const int error = WriteBounded(tree, port.hub, port.attribute, value);
    if (error != 0) {
        if (!IsGoing(error)) {
            WriteFailed(report, port.name, value, tree.AttributePath(port.hub, port.attribute),
                        error);
        }
        return false;
    }
    report.Device(port.name, state);
    return true;
}

void CountPorts(int count, std::string_view state, Report& report) {
    if (count > 0) {
        report.Line(std::to_string(count) + " port(s) " + std::string(state) + ".");
    }
}

}  // namespace

void DisableAll(const SysfsTree& tree, Report& report) {
    const DrivesInUse inUse = FindDrivesInUse(tree, report);
    int disabled = 0;
    int portsOff = 0;
    if (!inUse.unknown) {
        // Ports first, so that what is plugged into them loses its power, where the hub switches
        // it; then the root hubs, so that a device plugged in meanwhile stays off too.
        for (const HubPort& port : PortsToSwitchOff(tree, inUse)) {
            portsOff += SwitchPort(tree, port, "1", "switched off", report);
        }
        for (const std::string& hub : RootHubsToSwitchOff(tree, inUse, report)) {
            disabled += Authorize(tree, hub, "0", "disabled", report);
        }
    }
    CountPorts(portsOff, "switched off", report);
    report.Count(disabled, "disabled");
}

void EnableAll(const SysfsTree& tree, Report& report) {
    const SysfsTree::Listing rootHubs = Reported(ListRootHubs(tree), tree, report);
    int enabled = 0;
    for (const std::string& hub : rootHubs.devices) {
        enabled += Authorize(tree, hub, "1", "enabled", report);
    }
    // Then the ports still off: those of a root hub a drive in use kept on, and any the kernel
    // did not power again by itself.
    int portsOn = 0;
    for (const HubPort& port : ListSwitchablePorts(tree, PortOrder::NearestFirst).ports) {
        portsOn += SwitchPort(tree, port, "0", "switched on", report);
    }
    CountPorts(portsOn, "switched on", report);

    // Then the devices switched off one by one. What is below the root hubs just switched on is
    // not waited for: it comes back by itself, as each root hub's authorized_default says. A
    // folder that could not be listed is reported once.
    const SysfsTree::Listing devices =
        rootHubs.error != 0 ? tree.ListDevices() : ListDevices(tree, report);
    int heldBack = 0;
    for (const std::string& entry : devices.devices) {
        if (IsRootHub(entry) || !IsOff(tree, entry, report)) {
            continue;
        }
        const DevicePolicy policy = PolicyOver(tree, entry, report);
        if (policy.kind == DevicePolicy::HoldsBack) {
            report.Device(DeviceLabel(tree, entry), policy.HeldBackState());
            ++heldBack;
        } else if (policy.kind == DevicePolicy::LetsIn) {
            enabled += Authorize(tree, entry, "1", "enabled", report);
        }
    }
    report.Count(enabled, "enabled");
    if (heldBack > 0) {
        report.Count(heldBack, "held back by policy");
    }
}
