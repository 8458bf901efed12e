#include "StatusListing.h"

#include <string>

#include "DeviceLabel.h"
#include "DevicePolicy.h"
#include "DrivesInUse.h"
#include "SysfsFailures.h"
#include "UsbEntryName.h"

void ListStatus(const SysfsTree& tree, Report& report) {
    const SysfsTree::Listing listing = tree.ListDevices();
    if (listing.error != 0) {
        ListFailed(report, tree.DevicesFolder(), listing.error);
        return;
    }
    const DrivesInUse inUse = FindDrivesInUse(tree, report);
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
        ++found;
    }
    report.Line(std::to_string(found) + " matching device(s) found.");
}
