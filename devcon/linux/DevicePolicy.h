#pragma once

#include <string>

#include "Report.h"
#include "SysfsTree.h"

// Whether new devices below a root hub may run: its authorized_default 1 lets every device in;
// 0 (none) or 2 (internal ports only) means an authorization policy, e.g. a USB firewall daemon,
// decides which devices run, and the devices it leaves off are its decision.
struct DevicePolicy {
    enum Kind { LetsIn, HoldsBack, Vanished, Unreadable } kind;
    std::string rootHub;
    std::string authorizedDefault;

    // "held back by policy (usb1 authorized_default is 0)"
    std::string HeldBackState() const;
};

// The policy over `entry` (a device below a root hub). A failure to read it is reported.
DevicePolicy PolicyOver(const SysfsTree& tree, const std::string& entry, Report& report);
