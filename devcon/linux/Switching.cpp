#include "Switching.h"

#include <cerrno>
#include <string>

#include "BoundedWrite.h"
#include "DeviceLabel.h"
#include "DevicePolicy.h"
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

int SwitchRootHubs(const SysfsTree::Listing& rootHubs, const SysfsTree& tree,
                   std::string_view value, std::string_view state, Report& report) {
    int changed = 0;
    for (const std::string& entry : rootHubs.devices) {
        changed += Authorize(tree, entry, value, state, report);
    }
    return changed;
}

}  // namespace

void DisableAll(const SysfsTree& tree, Report& report) {
    const SysfsTree::Listing rootHubs = Reported(ListRootHubs(tree), tree, report);
    report.Count(SwitchRootHubs(rootHubs, tree, "0", "disabled", report), "disabled");
}

void EnableAll(const SysfsTree& tree, Report& report) {
    const SysfsTree::Listing rootHubs = Reported(ListRootHubs(tree), tree, report);
    int enabled = SwitchRootHubs(rootHubs, tree, "1", "enabled", report);

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
