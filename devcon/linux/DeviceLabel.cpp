#include "DeviceLabel.h"

#include "DeviceText.h"

std::string DeviceLabel(const SysfsTree& tree, const std::string& entry) {
    const SysfsTree::Attribute product = tree.Read(entry, "product");
    if (product.error != 0 || product.value.empty()) {
        return entry;
    }
    return entry + " (" + PrintableDeviceText(product.value) + ")";
}
