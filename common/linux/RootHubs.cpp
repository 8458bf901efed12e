#include "RootHubs.h"

#include <algorithm>

#include "UsbEntryName.h"

SysfsTree::Listing ListRootHubs(const SysfsTree& tree) {
    SysfsTree::Listing listing = tree.ListDevices();
    std::erase_if(listing.devices,
                  [](const std::string& entry) { return !ParseUsbDeviceName(entry)->IsRootHub(); });
    return listing;
}
