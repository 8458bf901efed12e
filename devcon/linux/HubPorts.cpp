#include "HubPorts.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>

#include "UsbEntryName.h"

namespace fs = std::filesystem;

namespace {

// A hub's ports are children of its first interface: "usb1" has "1-0:1.0", "1-2" has "1-2:1.0".
std::string HubInterface(const std::string& hub, const UsbEntryName& name) {
    return (name.IsRootHub() ? std::to_string(name.bus) + "-0" : hub) + ":1.0";
}

std::optional<int> PortNumber(const std::string& folder, const std::string& prefix) {
    if (!folder.starts_with(prefix)) {
        return std::nullopt;
    }
    int number = 0;
    const char* end = folder.data() + folder.size();
    const auto [stop, error] = std::from_chars(folder.data() + prefix.size(), end, number);
    return error == std::errc{} && stop == end ? std::optional(number) : std::nullopt;
}

}  // namespace

PortListing ListSwitchablePorts(const SysfsTree& tree, PortOrder order) {
    struct Found {
        std::size_t depth;
        int number;
        HubPort port;
    };
    std::vector<Found> found;
    PortListing listing;
    for (const std::string& hub : tree.ListDevices().devices) {
        const UsbEntryName name = *ParseUsbDeviceName(hub);
        const std::string interface = HubInterface(hub, name);
        const std::string prefix = hub + "-port";
        const std::size_t first = found.size();
        std::error_code error;
        for (fs::directory_iterator it(tree.DevicesFolder() / hub / interface, error), end;
             !error && it != end; it.increment(error)) {
            const std::string folder = it->path().filename().string();
            const std::optional<int> number = PortNumber(folder, prefix);
            if (!number) {
                continue;
            }
            if (!fs::exists(it->path() / "disable")) {
                ++listing.withoutDisable;
                continue;
            }
            const std::string device =
                name.IsRootHub() ? std::to_string(name.bus) + "-" + std::to_string(*number)
                                 : hub + "." + std::to_string(*number);
            found.push_back({name.ports.size(),
                             *number,
                             {hub, folder, interface + "/" + folder + "/disable", device}});
        }
        std::sort(found.begin() + static_cast<std::ptrdiff_t>(first), found.end(),
                  [](const Found& a, const Found& b) { return a.number < b.number; });
    }
    // Hubs are listed parents before children.
    if (order == PortOrder::FarthestFirst) {
        std::stable_sort(found.begin(), found.end(),
                         [](const Found& a, const Found& b) { return a.depth > b.depth; });
    }
    for (Found& each : found) {
        listing.ports.push_back(std::move(each.port));
    }
    return listing;
}
