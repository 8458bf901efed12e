#pragma once

#include <string>
#include <vector>

#include "SysfsTree.h"

// A port of a hub (root hubs included) that the kernel lets switch: since 6.0 each port has a
// `disable` attribute, below the hub's interface ("usb1/1-0:1.0/usb1-port1/disable"). 1
// disconnects the port's device and, where the hub switches power per port, cuts its power; 0
// powers it again, and the device enumerates as if plugged in.
struct HubPort {
    std::string hub;        // "1-2"
    std::string name;       // "1-2-port1"
    std::string attribute;  // "1-2:1.0/1-2-port1/disable", below the hub's entry
    std::string device;     // "1-2.1": the entry of what is plugged into it
};

enum class PortOrder {
    FarthestFirst,  // the ports of the hubs farthest from the root hubs first, root hubs' last
    NearestFirst,   // root hubs' ports first, then those of the hubs below them
};

struct PortListing {
    std::vector<HubPort> ports;  // those with `disable`
    int withoutDisable = 0;      // ports of a kernel before 6.0
};

// The ports of every hub in the tree that have `disable`, each hub's in port order.
PortListing ListSwitchablePorts(const SysfsTree& tree, PortOrder order);
