#include "DevicePolicy.h"

#include "SysfsFailures.h"
#include "UsbEntryName.h"

namespace {

constexpr std::string_view kAuthorizedDefault = "authorized_default";

}  // namespace

std::string DevicePolicy::HeldBackState() const {
    return "held back by policy (" + rootHub + " " + std::string(kAuthorizedDefault) + " is " +
           authorizedDefault + ")";
}

DevicePolicy PolicyOver(const SysfsTree& tree, const std::string& entry, Report& report) {
    const std::string rootHub = ParseUsbDeviceName(entry)->RootHub();
    const SysfsTree::Attribute value = tree.Read(rootHub, kAuthorizedDefault);
    if (IsVanished(value.error)) {
        return {DevicePolicy::Vanished, rootHub, {}};
    }
    if (value.error != 0) {
        ReadFailed(report, rootHub, tree.AttributePath(rootHub, kAuthorizedDefault), value.error);
        return {DevicePolicy::Unreadable, rootHub, {}};
    }
    return {value.value == "1" ? DevicePolicy::LetsIn : DevicePolicy::HoldsBack, rootHub,
            value.value};
}
