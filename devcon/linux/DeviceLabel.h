#pragma once

#include <string>

#include "SysfsTree.h"

// "1-2.1 (QEMU USB Keyboard)", or just the entry name for a device that tells no product.
std::string DeviceLabel(const SysfsTree& tree, const std::string& entry);
