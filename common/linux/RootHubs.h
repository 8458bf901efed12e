#pragma once

#include "SysfsTree.h"

// The root hubs of the tree ("usb1", "usb2", ...), in bus order: what devcon.exe switches first,
// and the only entries the udev rule opens to group vantrel.
SysfsTree::Listing ListRootHubs(const SysfsTree& tree);
