#pragma once

#include "common/linux/SysfsTree.h"
#include "devcon/Report.h"

// Switches every hub port off (`disable`), farthest from the root first, which cuts the port's
// power where the hub switches it, then every root hub. The kernel then removes every device below
// it, and keeps devices plugged in meanwhile off too. A root hub with a drive in use below it
// (mounted, swap, held by a mapped device) stays on, as do the ports on the way to it, and the
// drive and its use are reported as a failure.
void DisableAll(const SysfsTree& tree, Report& report);

// Switches every root hub on (the kernel then enumerates the devices below it by itself), then
// every hub port still off, then every other device that is off, except where the root hub's
// authorized_default shows that an authorization policy decides which devices may run.
void EnableAll(const SysfsTree& tree, Report& report);

// One line per USB device: its name, its product where it tells one, and whether it is running,
// disabled or held back by an authorization policy; then how many were found.
void ListStatus(const SysfsTree& tree, Report& report);
