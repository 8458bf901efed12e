#include "tests/devcon/linux/FakeUsbTree.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// "usb3" -> "3-", "3-1.4" -> "3-1.4." : what the names of the entry's descendants start with.
std::string DescendantPrefix(const std::string& name) {
    return name.starts_with("usb") ? name.substr(3) + "-" : name + ".";
}

// "usb3" -> "3-0", "3-1.4" -> "3-1.4": what the entry's interface names start with.
std::string InterfaceStem(const std::string& name) {
    return name.starts_with("usb") ? name.substr(3) + "-0" : name;
}

void WriteFile(const fs::path& path, const std::string& value) {
    std::ofstream file(path, std::ios::trunc);
    file << value << '\n';
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace

FakeUsbTree::FakeUsbTree() {
    std::string pattern = (fs::temp_directory_path() / "vantrel-sysfs-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    root_ = pattern;
    devices_ = root_ / "bus" / "usb" / "devices";
    fs::create_directories(devices_);
    fs::create_directories(root_ / "class" / "block");
    fs::create_directories(root_ / "proc" / "self");
    WriteFile(root_ / "proc" / "self" / "mountinfo", "21 1 0:20 / /sys rw - sysfs sysfs rw");
    WriteFile(root_ / "proc" / "swaps", "Filename\tType\tSize\tUsed\tPriority");
}

FakeUsbTree::~FakeUsbTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

void FakeUsbTree::PlugRootHub(int bus, const std::string& product,
                              const std::string& authorizedDefault) {
    const std::string name = "usb" + std::to_string(bus);
    plugged_[name] = {product, 1};
    MakeEntry(name, "1");
    SetAttribute(name, "authorized_default", authorizedDefault);
    Configure(name);
}

void FakeUsbTree::PlugDevice(const std::string& name, const std::string& product, int interfaces) {
    plugged_[name] = {product, interfaces};
    MakeEntry(name, "1");
    Configure(name);
    const std::size_t dot = name.rfind('.');
    MakePorts(dot == std::string::npos ? RootHubOf(name) : name.substr(0, dot));  // one more
}

void FakeUsbTree::PlugBlockDevice(const std::string& usbDevice, const std::string& name,
                                  const std::string& number, const std::string& disk) {
    // "1-2.1" sits in devices/…/usb1/1-2/1-2.1, as below a PCI controller in sysfs.
    fs::path folder = root_ / "devices" / "pci0000:00" / RootHubOf(usbDevice);
    for (std::size_t end = usbDevice.find('.');; end = usbDevice.find('.', end + 1)) {
        folder /= usbDevice.substr(0, end);
        if (end == std::string::npos) {
            break;
        }
    }
    folder = folder / (usbDevice + ":1.0") / "host0" / "target0:0:0" / "0:0:0:0" / "block";
    folder = disk.empty() ? folder / name : folder / disk / name;
    fs::create_directories(folder / "holders");
    WriteFile(folder / "dev", number);
    fs::create_directory_symlink(folder, root_ / "class" / "block" / name);
}

void FakeUsbTree::MapBlockDevice(const std::string& name, const std::string& number,
                                 const std::string& held) {
    const fs::path folder = root_ / "devices" / "virtual" / "block" / name;
    fs::create_directories(folder / "holders");
    WriteFile(folder / "dev", number);
    fs::create_directory_symlink(folder, root_ / "class" / "block" / name);
    fs::create_directory_symlink(folder, root_ / "class" / "block" / held / "holders" / name);
}

void FakeUsbTree::Mount(const std::string& number, const std::string& mountPoint,
                        const std::string& source) {
    std::ofstream(root_ / "proc" / "self" / "mountinfo", std::ios::app)
        << "40 1 " << number << " / " << mountPoint << " rw,relatime shared:1 - vfat " << source
        << " rw\n";
}

void FakeUsbTree::SwapOn(const std::string& path) {
    std::ofstream(root_ / "proc" / "swaps", std::ios::app)
        << path << "\tpartition\t1048572\t0\t-2\n";
}

void FakeUsbTree::SetAttribute(const std::string& entry, const std::string& attribute,
                               const std::string& value) {
    WriteFile(devices_ / entry / attribute, value);
}

void FakeUsbTree::Remove(const std::string& entry) {
    fs::remove_all(devices_ / entry);
}

std::string FakeUsbTree::Attribute(const std::string& entry, const std::string& attribute) const {
    std::ifstream file(devices_ / entry / attribute);
    std::string value;
    std::getline(file, value);
    return value;
}

bool FakeUsbTree::Exists(const std::string& entry) const {
    return fs::exists(devices_ / entry);
}

std::vector<std::string> FakeUsbTree::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(devices_)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void FakeUsbTree::React(const std::string& entry, std::string_view value) {
    if (!Exists(entry)) {
        return;
    }
    if (value == "0") {
        Unconfigure(entry);
    } else if (!IsConfigured(entry)) {
        Configure(entry);
    }
}

void FakeUsbTree::ReactPort(const std::string& hub, const std::string& attribute,
                            std::string_view value) {
    const std::size_t folder = attribute.find('/') + 1;
    const std::string port = attribute.substr(folder, attribute.rfind('/') - folder);
    const std::string number = port.substr(hub.size() + std::string_view("-port").size());
    const std::string device =
        hub.starts_with("usb") ? hub.substr(3) + "-" + number : hub + "." + number;
    if (value == "1" && Exists(device)) {
        Unconfigure(device);
        Remove(device);
    } else if (value == "0" && plugged_.contains(device) && !Exists(device)) {
        const bool letIn = Attribute(RootHubOf(device), "authorized_default") == "1";
        MakeEntry(device, letIn ? "1" : "0");
        if (letIn) {
            Configure(device);
        }
    }
}

void FakeUsbTree::MakePorts(const std::string& name) {
    if (!portsDisable_ ||
        !(name.starts_with("usb") || plugged_.at(name).product.find("Hub") != std::string::npos)) {
        return;
    }
    int ports = 1;
    for (const std::string& child : ChildrenOf(name)) {
        ports = std::max(ports, std::stoi(child.substr(DescendantPrefix(name).size())));
    }
    for (int port = 1; port <= ports; ++port) {
        const fs::path folder = devices_ / name / (InterfaceStem(name) + ":1.0") /
                                (name + "-port" + std::to_string(port));
        fs::create_directories(folder);
        WriteFile(folder / "disable", "0");
    }
}

void FakeUsbTree::MakeEntry(const std::string& name, const std::string& authorized) {
    fs::create_directories(devices_ / name);
    SetAttribute(name, "authorized", authorized);
    SetAttribute(name, "bConfigurationValue", "");
    if (const std::string& product = plugged_.at(name).product; !product.empty()) {
        SetAttribute(name, "product", product);
    }
}

void FakeUsbTree::Configure(const std::string& name) {
    SetAttribute(name, "bConfigurationValue", "1");
    for (int i = 0; i < plugged_.at(name).interfaces; ++i) {
        const std::string interface = InterfaceStem(name) + ":1." + std::to_string(i);
        fs::create_directories(devices_ / interface);
        SetAttribute(interface, "authorized", "1");
    }
    MakePorts(name);
    const std::string authorizedDefault = Attribute(RootHubOf(name), "authorized_default");
    for (const std::string& child : ChildrenOf(name)) {
        MakeEntry(child, authorizedDefault == "1" ? "1" : "0");
        if (authorizedDefault == "1") {
            Configure(child);
        }
    }
}

void FakeUsbTree::Unconfigure(const std::string& name) {
    const std::string descendants = DescendantPrefix(name);
    const std::string interfaces = InterfaceStem(name) + ":";
    for (const std::string& entry : Entries()) {
        if (entry.starts_with(descendants) || entry.starts_with(interfaces)) {
            Remove(entry);
        }
    }
    fs::remove_all(devices_ / name / (InterfaceStem(name) + ":1.0"));
    SetAttribute(name, "bConfigurationValue", "");
}

bool FakeUsbTree::IsConfigured(const std::string& name) const {
    return !Attribute(name, "bConfigurationValue").empty();
}

std::vector<std::string> FakeUsbTree::ChildrenOf(const std::string& name) const {
    const std::string prefix = DescendantPrefix(name);
    std::vector<std::string> children;
    for (const auto& [plugged, device] : plugged_) {
        if (plugged.starts_with(prefix) && plugged.find('.', prefix.size()) == std::string::npos) {
            children.push_back(plugged);
        }
    }
    return children;
}

std::string FakeUsbTree::RootHubOf(const std::string& name) {
    return name.starts_with("usb") ? name : "usb" + name.substr(0, name.find('-'));
}
