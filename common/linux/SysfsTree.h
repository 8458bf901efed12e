#pragma once

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The USB device entries of a sysfs tree (bus/usb/devices) and their attribute files. Every
// operation goes to the files afresh and reports the errno it met, so that entries appearing or
// vanishing meanwhile (other copies of this tool run at the same time) are just results.
class SysfsTree {
  public:
    struct Listing {
        std::vector<std::string> devices;  // parents before children; no interfaces
        int error = 0;
    };
    struct Attribute {
        std::string value;  // without the trailing newline
        int error = 0;
    };
    // Called after every write with its outcome (0 or errno).
    using WriteObserver = std::function<void(const std::string& entry, std::string_view attribute,
                                             std::string_view value, int error)>;

    explicit SysfsTree(std::filesystem::path root);

    // "/sys", unless VANTREL_SYSFS_ROOT names another tree.
    static std::filesystem::path RootFromEnvironment();

    // A tree without USB (no bus/usb/devices) has no devices; that is not an error.
    Listing ListDevices() const;
    // The tree itself: "/sys", or a test's tree.
    const std::filesystem::path& Root() const { return root_; }
    const std::filesystem::path& DevicesFolder() const { return devices_; }
    std::filesystem::path AttributePath(const std::string& entry, std::string_view attribute) const;
    Attribute Read(const std::string& entry, std::string_view attribute) const;
    int Write(const std::string& entry, std::string_view attribute, std::string_view value) const;

    void ObserveWrites(WriteObserver observer) { observer_ = std::move(observer); }

  private:
    std::filesystem::path root_;
    std::filesystem::path devices_;
    WriteObserver observer_;
};

// The entry or its attribute went away: unplugged, or removed with a hub that was switched off.
constexpr bool IsVanished(int error) {
    return error == ENOENT || error == ENODEV;
}

// The root hubs of the tree ("usb1", "usb2", ...), in bus order: what devcon.exe switches first,
// and the only entries the udev rule opens to group vantrel.
SysfsTree::Listing ListRootHubs(const SysfsTree& tree);
