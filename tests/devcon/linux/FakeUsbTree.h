#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A temporary sysfs tree holding the bus/usb/devices entries that the kernel shows for a set of
// plugged USB devices: root hubs ("usb1", with authorized_default), devices ("1-2.1") and their
// interfaces ("1-2.1:1.0"), each with an `authorized` file. React() applies the kernel's answer
// to a write of `authorized` on the spot (the kernel takes up to a second to re-enumerate; "at
// once" is one of the orders the tool must cope with).
class FakeUsbTree {
  public:
    FakeUsbTree();
    ~FakeUsbTree();
    FakeUsbTree(const FakeUsbTree&) = delete;
    FakeUsbTree& operator=(const FakeUsbTree&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path Entry(const std::string& name) const { return devices_ / name; }

    // Plugged and running: authorized, configured, with its interfaces. A device's parent must
    // be plugged first.
    void PlugRootHub(int bus, const std::string& product,
                     const std::string& authorizedDefault = "1");
    void PlugDevice(const std::string& name, const std::string& product = "", int interfaces = 1);

    // A disk or partition ("sdb", "sdb1", with its device number "8:17") of the storage device
    // `usbDevice`, in the block class; a partition sits in its disk's folder, as in sysfs.
    void PlugBlockDevice(const std::string& usbDevice, const std::string& name,
                         const std::string& number, const std::string& disk = "");
    // A mapped device ("dm-0") that holds the block device `held` (dm-crypt, LVM).
    void MapBlockDevice(const std::string& name, const std::string& number,
                        const std::string& held);
    // Lines of the tree's own proc/self/mountinfo and proc/swaps, which start empty. `mountPoint`
    // is written as the kernel escapes it.
    void Mount(const std::string& number, const std::string& mountPoint, const std::string& source);
    void SwapOn(const std::string& path);

    // From now on hubs (root hubs and devices whose product names a hub) have ports with `disable`,
    // as since kernel 6.0: as many as their highest plugged port, at least one.
    void GivePortsDisable() { portsDisable_ = true; }
    // What the kernel does once `value` is written to a port's `disable` (`attribute` is
    // "1-2:1.0/1-2-port1/disable", below `hub`): 1 removes the port's device, 0 plugs it again.
    void ReactPort(const std::string& hub, const std::string& attribute, std::string_view value);

    // Changes the files only, as another program would; nothing reacts.
    void SetAttribute(const std::string& entry, const std::string& attribute,
                      const std::string& value);
    void Remove(const std::string& entry);

    // The value in the entry's file, "" when there is no such file.
    std::string Attribute(const std::string& entry, const std::string& attribute) const;
    std::string Authorized(const std::string& entry) const {
        return Attribute(entry, "authorized");
    }
    bool Exists(const std::string& entry) const;
    // Every entry name, interfaces included, sorted by name.
    std::vector<std::string> Entries() const;

    // What the kernel does once `value` is written to the entry's `authorized`: 0 unbinds the
    // device (interfaces and everything below it vanish); 1 configures an unconfigured device,
    // and the devices plugged below it come back with `authorized` taken from their root hub's
    // authorized_default, those let in being configured in turn.
    void React(const std::string& entry, std::string_view value);

  private:
    struct Plugged {
        std::string product;
        int interfaces;
    };

    void MakeEntry(const std::string& name, const std::string& authorized);
    void MakePorts(const std::string& name);
    void Configure(const std::string& name);
    void Unconfigure(const std::string& name);
    bool IsConfigured(const std::string& name) const;
    std::vector<std::string> ChildrenOf(const std::string& name) const;
    static std::string RootHubOf(const std::string& name);

    std::filesystem::path root_;
    std::filesystem::path devices_;
    std::map<std::string, Plugged> plugged_;
    bool portsDisable_ = false;
};
