#pragma once

#include <string>
#include <vector>

#include "common/linux/SysfsTree.h"
#include "devcon/Report.h"

// A drive on USB that the system uses: a disk or partition below a USB device that is mounted,
// an active swap area, or held by another block device (dm-crypt, LVM, RAID). Switching off the
// USB device it sits on would lose what is not yet written to it, as pulling it out does.
struct DriveInUse {
    std::string usbDevice;    // "3-1": the USB device the drive sits on
    std::string description;  // "sdb1 (SanDisk Ultra) is mounted at /media/ann/STICK"
    bool systemDisk = false;  // the system runs from it: it holds / or /usr
};

struct DrivesInUse {
    std::vector<DriveInUse> drives;
    bool unknown = false;  // the block devices could not be listed: any USB device may hold one

    // The drives in use on `entry` (a root hub or a device) or on any device below it.
    std::vector<DriveInUse> Below(const std::string& entry) const;
};

// Finds every block device below the tree's USB devices and what uses it, from the block class
// of the same tree and the mount table and swap areas: /proc/self/mountinfo and /proc/swaps, or,
// for a test's tree, proc/self/mountinfo and proc/swaps inside that tree. A failure to read
// either is reported, and every drive then counts as in use.
DrivesInUse FindDrivesInUse(const SysfsTree& tree, Report& report);
