#include "devcon/linux/Switching.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "common/linux/UsbEntryName.h"
#include "devcon/BoundedCall.h"
#include "devcon/DeviceText.h"
#include "devcon/linux/DrivesInUse.h"
#include "devcon/linux/SysfsFailures.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kAuthorized = "authorized";
constexpr std::string_view kAuthorizedDefault = "authorized_default";

bool IsRootHub(const std::string& entry) {
    return ParseUsbDeviceName(entry)->IsRootHub();
}

// "1-2.1 (QEMU USB Keyboard)", or just the entry name for a device that tells no product.
std::string DeviceLabel(const SysfsTree& tree, const std::string& entry) {
    const SysfsTree::Attribute product = tree.Read(entry, "product");
    if (product.error != 0 || product.value.empty()) {
        return entry;
    }
    return entry + " (" + PrintableDeviceText(product.value) + ")";
}

// One write of one attribute, as SysfsTree::Write does it but on a thread of its own: a write the
// kernel has not finished within kSwitchBound (a device or its driver stuck) is left to it, and
// the tool goes on. Returns 0, the errno, or kWriteUnfinished.
int WriteBounded(const SysfsTree& tree, const std::string& entry, std::string_view attribute,
                 std::string_view value) {
    // Copies only: an abandoned write outlives this call, and may outlive the run.
    const auto error = std::make_shared<std::atomic<int>>(0);
    const bool returned =
        CallWithin([tree, entry, attribute = std::string(attribute), value = std::string(value),
                    error] { error->store(tree.Write(entry, attribute, value)); },
                   kSwitchBound);
    return returned ? error->load() : kWriteUnfinished;
}

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

// The ports of every hub in the tree that have `disable`, each hub's in port order.
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

std::string DevicePolicy::HeldBackState() const {
    return "held back by policy (" + rootHub + " " + std::string(kAuthorizedDefault) + " is " +
           authorizedDefault + ")";
}

// The policy over `entry` (a device below a root hub). A failure to read it is reported.
DevicePolicy PolicyOver(const SysfsTree& tree, const std::string& entry, Report& report) {
    const std::string rootHub = ParseUsbDeviceName(entry)->RootHub();
    const SysfsTree::Attribute value = tree.Read(rootHub, kAuthorizedDefault);
    if (IsVanished(value.error)) {
        return {DevicePolicy::Vanished, rootHub, {}};
    }
    if (value.error != 0) {
        ReadFailed(report, rootHub, tree.AttributePath(rootHub, kAuthorizedDefault), value.error);
        return {DevicePolicy::Unreadable, rootHub, {}};
    }
    return {value.value == "1" ? DevicePolicy::LetsIn : DevicePolicy::HoldsBack, rootHub,
            value.value};
}

// Writes `value` to the entry's `authorized` unless it holds it already, and says so as `state`.
// An entry that vanishes meanwhile is left alone. Returns whether the entry changed.
bool Authorize(const SysfsTree& tree, const std::string& entry, std::string_view value,
               std::string_view state, Report& report) {
    const SysfsTree::Attribute current = tree.Read(entry, kAuthorized);
    if (current.error != 0) {
        if (!IsVanished(current.error)) {
            ReadFailed(report, entry, tree.AttributePath(entry, kAuthorized), current.error);
        }
        return false;
    }
    if (current.value == value) {
        return false;
    }
    const std::string label = DeviceLabel(tree, entry);
    const int error = WriteBounded(tree, entry, kAuthorized, value);
    if (error != 0) {
        // Only root hubs are ever opened to group vantrel, so that it cannot let in a device that
        // a USB firewall keeps out; a device below one is refused to every other user.
        if ((error == EACCES || error == EPERM) && !IsRootHub(entry)) {
            SwitchOnNotPermitted(report, label, tree.AttributePath(entry, kAuthorized), error);
        } else if (!IsVanished(error)) {
            WriteFailed(report, entry, value, tree.AttributePath(entry, kAuthorized), error);
        }
        return false;
    }
    report.Device(label, state);
    return true;
}

// Whether the entry is there and switched off; a failure to tell is reported.
bool IsOff(const SysfsTree& tree, const std::string& entry, Report& report) {
    const SysfsTree::Attribute current = tree.Read(entry, kAuthorized);
    if (current.error != 0 && !IsVanished(current.error)) {
        ReadFailed(report, entry, tree.AttributePath(entry, kAuthorized), current.error);
    }
    return current.error == 0 && current.value == "0";
}

SysfsTree::Listing Reported(SysfsTree::Listing listing, const SysfsTree& tree, Report& report) {
    if (listing.error != 0) {
        ListFailed(report, tree.DevicesFolder(), listing.error);
    }
    return listing;
}

SysfsTree::Listing ListDevices(const SysfsTree& tree, Report& report) {
    return Reported(tree.ListDevices(), tree, report);
}

// The ports to switch off: every port of every hub, farthest from the root first, but for the
// ports on the way to a drive in use.
std::vector<HubPort> PortsToSwitchOff(const SysfsTree& tree, const DrivesInUse& inUse) {
    std::vector<HubPort> ports = ListSwitchablePorts(tree, PortOrder::FarthestFirst).ports;
    std::erase_if(ports, [&](const HubPort& port) { return !inUse.Below(port.device).empty(); });
    return ports;
}

// The root hubs to switch off: those with no drive in use below them. Each one left on is a
// failure that names the drive and its use.
std::vector<std::string> RootHubsToSwitchOff(const SysfsTree& tree, const DrivesInUse& inUse,
                                             Report& report) {
    std::vector<std::string> switchable;
    for (const std::string& hub : Reported(ListRootHubs(tree), tree, report).devices) {
        const std::vector<DriveInUse> drives = inUse.Below(hub);
        for (const DriveInUse& drive : drives) {
            DriveKeepsOn(report, hub, drive.description, drive.systemDisk);
        }
        if (drives.empty()) {
            switchable.push_back(hub);
        }
    }
    return switchable;
}

// A port that goes with its hub: gone, or EBUSY while its hub is being taken down by a copy that
// switches off beside this one (seen in the test VM).
bool IsGoing(int error) {
    return IsVanished(error) || error == EBUSY;
}

// Writes `value` to the port's `disable` unless it reads so already. Returns whether it changed.
bool SwitchPort(const SysfsTree& tree, const HubPort& port, std::string_view value,
                std::string_view state, Report& report) {
    const SysfsTree::Attribute current = tree.Read(port.hub, port.attribute);
    if (current.error != 0 || current.value == value) {
        if (current.error != 0 && !IsGoing(current.error)) {
            ReadFailed(report, port.name, tree.AttributePath(port.hub, port.attribute),
                       current.error);
        }
        return false;
    }
    const int error = WriteBounded(tree, port.hub, port.attribute, value);
    if (error != 0) {
        if (!IsGoing(error)) {
            WriteFailed(report, port.name, value, tree.AttributePath(port.hub, port.attribute),
                        error);
        }
        return false;
    }
    report.Device(port.name, state);
    return true;
}

void CountPorts(int count, std::string_view state, Report& report) {
    if (count > 0) {
        report.Line(std::to_string(count) + " port(s) " + std::string(state) + ".");
    }
}

}  // namespace

void DisableAll(const SysfsTree& tree, Report& report) {
    const DrivesInUse inUse = FindDrivesInUse(tree, report);
    int disabled = 0;
    int portsOff = 0;
    if (!inUse.unknown) {
        // Ports first, so that what is plugged into them loses its power, where the hub switches
        // it; then the root hubs, so that a device plugged in meanwhile stays off too.
        for (const HubPort& port : PortsToSwitchOff(tree, inUse)) {
            portsOff += SwitchPort(tree, port, "1", "switched off", report);
        }
        for (const std::string& hub : RootHubsToSwitchOff(tree, inUse, report)) {
            disabled += Authorize(tree, hub, "0", "disabled", report);
        }
    }
    CountPorts(portsOff, "switched off", report);
    report.Count(disabled, "disabled");
}

void EnableAll(const SysfsTree& tree, Report& report) {
    const SysfsTree::Listing rootHubs = Reported(ListRootHubs(tree), tree, report);
    int enabled = 0;
    for (const std::string& hub : rootHubs.devices) {
        enabled += Authorize(tree, hub, "1", "enabled", report);
    }
    // Then the ports still off: those of a root hub a drive in use kept on, and any the kernel
    // did not power again by itself.
    int portsOn = 0;
    for (const HubPort& port : ListSwitchablePorts(tree, PortOrder::NearestFirst).ports) {
        portsOn += SwitchPort(tree, port, "0", "switched on", report);
    }
    CountPorts(portsOn, "switched on", report);

    // Then the devices switched off one by one. What is below the root hubs just switched on is
    // not waited for: it comes back by itself, as each root hub's authorized_default says. A
    // folder that could not be listed is reported once.
    const SysfsTree::Listing devices =
        rootHubs.error != 0 ? tree.ListDevices() : ListDevices(tree, report);
    int heldBack = 0;
    for (const std::string& entry : devices.devices) {
        if (IsRootHub(entry) || !IsOff(tree, entry, report)) {
            continue;
        }
        const DevicePolicy policy = PolicyOver(tree, entry, report);
        if (policy.kind == DevicePolicy::HoldsBack) {
            report.Device(DeviceLabel(tree, entry), policy.HeldBackState());
            ++heldBack;
        } else if (policy.kind == DevicePolicy::LetsIn) {
            enabled += Authorize(tree, entry, "1", "enabled", report);
        }
    }
    report.Count(enabled, "enabled");
    if (heldBack > 0) {
        report.Count(heldBack, "held back by policy");
    }
}

namespace {

// "1 on, 2 off, 3 on" for each hub whose ports can be switched: as the hub reports each port's
// power, so "off" is a port without power; one that a hub without power switching keeps powered
// reads "on" even after devcon.exe disable.
std::map<std::string, std::string> PortStates(const PortListing& listing, const SysfsTree& tree) {
    std::map<std::string, std::string> states;
    for (const HubPort& port : listing.ports) {
        const SysfsTree::Attribute disable = tree.Read(port.hub, port.attribute);
        if (IsVanished(disable.error)) {
            continue;
        }
        std::string& line = states[port.hub];
        line += (line.empty() ? "" : ", ") + port.name.substr(port.hub.size() + 5) + " " +
                (disable.error != 0     ? std::string("unreadable: ") + std::strerror(disable.error)
                 : disable.value == "1" ? "off"
                                        : "on");
    }
    return states;
}

}  // namespace

void ListStatus(const SysfsTree& tree, Report& report) {
    const SysfsTree::Listing listing = tree.ListDevices();
    if (listing.error != 0) {
        ListFailed(report, tree.DevicesFolder(), listing.error);
        return;
    }
    const DrivesInUse inUse = FindDrivesInUse(tree, report);
    const PortListing hubPorts = ListSwitchablePorts(tree, PortOrder::NearestFirst);
    const std::map<std::string, std::string> ports = PortStates(hubPorts, tree);
    int found = 0;
    for (const std::string& entry : listing.devices) {
        const SysfsTree::Attribute authorized = tree.Read(entry, "authorized");
        if (IsVanished(authorized.error)) {
            continue;
        }
        if (authorized.error != 0) {
            ReadFailed(report, entry, tree.AttributePath(entry, "authorized"), authorized.error);
            continue;
        }
        std::string state = "running";
        if (ParseUsbDeviceName(entry)->IsRootHub()) {
            // What devcon.exe disable leaves on, and why.
            for (const DriveInUse& drive : inUse.Below(entry)) {
                state += (state == "running" ? ", held on: " : "; ") + drive.description;
            }
        }
        if (authorized.value == "0") {
            state = "disabled";
            if (!ParseUsbDeviceName(entry)->IsRootHub()) {
                const DevicePolicy policy = PolicyOver(tree, entry, report);
                if (policy.kind == DevicePolicy::Vanished) {
                    continue;
                }
                if (policy.kind == DevicePolicy::HoldsBack) {
                    state = policy.HeldBackState();
                }
            }
        }
        report.Device(DeviceLabel(tree, entry), state);
        if (const auto hub = ports.find(entry); hub != ports.end()) {
            report.Device(entry + " ports (power as the hub reports it)", hub->second);
        }
        ++found;
    }
    if (hubPorts.ports.empty() && hubPorts.withoutDisable > 0) {
        report.Line(
            "No hub port can be switched here (no port has \"disable\", as before kernel "
            "6.0): devcon.exe disable unplugs devices logically, without cutting power.");
    }
    report.Line(std::to_string(found) + " matching device(s) found.");
}
