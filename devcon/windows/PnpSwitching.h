#pragma once

#include "devcon/Report.h"
#include "devcon/windows/PnpDevices.h"

// "@USB\*" on Windows: the devices whose instance ID begins with USB\, in any case. Host
// controllers (PCI\...) and every other device are never touched. A switch counts only once the
// device's state, read back, shows it.

// Switches every root of a USB branch off (a USB\ device whose parent is not one: a root hub, or
// the devices on a root hub of another enumerator); Windows then removes every device below it.
void DisableAll(PnpDevices& devices, Report& report);

// Switches every root on (Windows then brings back the devices below it by itself), then every
// other USB device that is disabled.
void EnableAll(PnpDevices& devices, Report& report);

// One line per USB device: instance ID, description, and running, disabled or its problem code.
void ListStatus(PnpDevices& devices, Report& report);
