#include "Switching.h"

#include <cerrno>
#include <string>
#include <vector>

#include "DeviceLabel.h"
#include "DevicePolicy.h"
#include "DrivesInUse.h"
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
    const int error = tree.Write(entry, kAuthorized, value);
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

// The root hubs to switch off: those with no drive in use below them. Each one left on is a
// failure that names the drive and its use.
std::vector<std::string> RootHubsToSwitchOff(const SysfsTree& tree, Report& report) {
    const DrivesInUse inUse = FindDrivesInUse(tree, report);
    std::vector<std::string> switchable;
    if (inUse.unknown) {
        return switchable;
    }
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

}  // namespace

void DisableAll(const SysfsTree& tree, Report& report) {
    int disabled = 0;
    for (const std::string& hub : RootHubsToSwitchOff(tree, report)) {
        disabled += Authorize(tree, hub, "0", "disabled", report);
    }
    report.Count(disabled, "disabled");
}

void EnableAll(const SysfsTree& tree, Report& report) {
    int enabled = 0;
    for (const std::string& hub : Reported(ListRootHubs(tree), tree, report).devices) {
        enabled += Authorize(tree, hub, "1", "enabled", report);
    }

    // Then the devices switched off one by one. What is below the root hubs just switched on is
    // not waited for: it comes back by itself, as each root hub's authorized_default says.
    int heldBack = 0;
    for (const std::string& entry : ListDevices(tree, report).devices) {
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
