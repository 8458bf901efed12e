#include "devcon/linux/DrivesInUse.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <system_error>

#include "common/linux/UsbEntryName.h"
#include "devcon/DeviceText.h"
#include "devcon/linux/SysfsFailures.h"

namespace fs = std::filesystem;

namespace {

// Holder chains are short (a partition, its crypt mapping, an LVM volume on that); the bound only
// keeps a broken tree from looping.
constexpr int kMaxHolderDepth = 8;

struct TextFile {
    std::string text;
    int error = 0;
};

TextFile ReadTextFile(const fs::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "re");
    if (file == nullptr) {
        return {{}, errno};
    }
    TextFile result;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        result.text.append(buffer, count);
    }
    if (std::ferror(file)) {
        result.error = EIO;
    }
    std::fclose(file);
    return result;
}

// The kernel writes a space in a path as \040, a tab as \011, a newline as \012, \ as \134.
std::string Unescaped(const std::string& field) {
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string plain;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            plain.push_back(static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8)));
            i += 3;
        } else {
            plain.push_back(field[i]);
        }
    }
    return plain;
}

std::vector<std::string> Fields(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> fields;
    for (std::string word; words >> word;) {
        fields.push_back(word);
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct Mount {
    std::string number;  // "8:17"
    std::string mountPoint;
    std::string source;  // "/dev/sdb1"; a file system such as btrfs shows a number of its own
};

// mountinfo: ID PARENT MAJOR:MINOR ROOT MOUNT-POINT OPTIONS [OPTIONAL...] - TYPE SOURCE OPTIONS
std::vector<Mount> ParseMountInfo(const std::string& text) {
    std::vector<Mount> mounts;
    for (const std::string& line : Lines(text)) {
        const std::vector<std::string> fields = Fields(line);
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") {
            ++separator;
        }
        if (separator + 2 < fields.size()) {
            mounts.push_back({fields[2], Unescaped(fields[4]), Unescaped(fields[separator + 2])});
        }
    }
    return mounts;
}

// swaps: a heading, then FILENAME TYPE SIZE USED PRIORITY
std::vector<std::string> ParseSwaps(const std::string& text) {
    std::vector<std::string> swaps;
    for (const std::string& line : Lines(text)) {
        const std::vector<std::string> fields = Fields(line);
        if (!fields.empty() && fields[0] != "Filename") {
            swaps.push_back(Unescaped(fields[0]));
        }
    }
    return swaps;
}

class UseFinder {
  public:
    UseFinder(const SysfsTree& tree, Report& report) : blocks_(tree.Root() / "class" / "block") {
        const fs::path proc = tree.Root() == "/sys" ? fs::path("/proc") : tree.Root() / "proc";
        const fs::path mountInfo = proc / "self" / "mountinfo";
        const fs::path swaps = proc / "swaps";
        const TextFile mounts = ReadTextFile(mountInfo);
        const TextFile swapAreas = ReadTextFile(swaps);
        for (const auto& [file, read] : {std::pair{mountInfo, mounts}, {swaps, swapAreas}}) {
            if (read.error != 0) {
                UseUnreadable(report, file, read.error);
                unreadable_ = file.string();
            }
        }
        mounts_ = ParseMountInfo(mounts.text);
        swaps_ = ParseSwaps(swapAreas.text);
    }

    const fs::path& BlocksFolder() const { return blocks_; }

    // "mounted at /media/ann/STICK", "an active swap area", "held by dm-0, which is mounted at /";
    // nothing for a block device nothing uses.
    std::string UseOf(const std::string& name, bool& systemDisk, int depth = 0) const {
        if (!unreadable_.empty()) {
            return "possibly in use, as " + unreadable_ + " cannot be read";
        }
        const fs::path folder = blocks_ / name;
        const std::string number = Attribute(folder / "dev");
        std::vector<std::string> paths = {"/dev/" + name};
        if (const std::string mapped = Attribute(folder / "dm" / "name"); !mapped.empty()) {
            paths.push_back("/dev/mapper/" + mapped);
        }
        const auto isThis = [&](const std::string& path) {
            return std::find(paths.begin(), paths.end(), path) != paths.end();
        };
        for (const Mount& mount : mounts_) {
            if ((!number.empty() && mount.number == number) || isThis(mount.source)) {
                systemDisk = mount.mountPoint == "/" || mount.mountPoint == "/usr";
                return "mounted at " + PrintableDeviceText(mount.mountPoint);
            }
        }
        for (const std::string& swap : swaps_) {
            if (isThis(swap)) {
                return "an active swap area";
            }
        }
        std::error_code error;
        for (fs::directory_iterator it(folder / "holders", error), end;
             !error && it != end && depth < kMaxHolderDepth; it.increment(error)) {
            const std::string holder = it->path().filename().string();
            const std::string use = UseOf(holder, systemDisk, depth + 1);
            return "held by " + PrintableDeviceText(holder) +
                   (use.empty() ? "" : ", which is " + use);
        }
        return {};
    }

  private:
    static std::string Attribute(const fs::path& file) {
        std::string value = ReadTextFile(file).text;
        while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) {
            value.pop_back();
        }
        return value;
    }

    fs::path blocks_;
    std::vector<Mount> mounts_;
    std::vector<std::string> swaps_;
    std::string unreadable_;
};

// The USB device a block device sits on: the last USB device in its sysfs path below a root hub
// ("…/usb3/3-1/3-1:1.0/host0/…/block/sdb/sdb1" sits on 3-1).
std::optional<std::string> UsbDeviceOf(const fs::path& folder) {
    std::optional<std::string> device;
    bool belowRootHub = false;
    for (const fs::path& part : folder) {
        const std::optional<UsbEntryName> name = ParseUsbDeviceName(part.string());
        if (name && name->IsRootHub()) {
            belowRootHub = true;
        }
        if (name && belowRootHub) {
            device = part.string();
        }
    }
    return device;
}

bool IsAtOrBelow(const UsbEntryName& device, const UsbEntryName& entry) {
    return device.bus == entry.bus && device.ports.size() >= entry.ports.size() &&
           std::equal(entry.ports.begin(), entry.ports.end(), device.ports.begin());
}

}  // namespace

std::vector<DriveInUse> DrivesInUse::Below(const std::string& entry) const {
    const std::optional<UsbEntryName> above = ParseUsbDeviceName(entry);
    std::vector<DriveInUse> below;
    for (const DriveInUse& drive : drives) {
        const std::optional<UsbEntryName> device = ParseUsbDeviceName(drive.usbDevice);
        if (above && device && IsAtOrBelow(*device, *above)) {
            below.push_back(drive);
        }
    }
    return below;
}

DrivesInUse FindDrivesInUse(const SysfsTree& tree, Report& report) {
    const UseFinder finder(tree, report);
    DrivesInUse found;
    std::error_code error;
    for (fs::directory_iterator it(finder.BlocksFolder(), error), end; !error && it != end;
         it.increment(error)) {
        std::error_code unresolved;
        const fs::path folder = fs::canonical(it->path(), unresolved);
        const std::optional<std::string> usbDevice = UsbDeviceOf(folder);
        if (unresolved || !usbDevice) {
            continue;  // gone meanwhile, or not on USB
        }
        const std::string name = it->path().filename().string();
        DriveInUse drive{*usbDevice, {}, false};
        const std::string use = finder.UseOf(name, drive.systemDisk);
        if (use.empty()) {
            continue;
        }
        const SysfsTree::Attribute product = tree.Read(*usbDevice, "product");
        drive.description =
            PrintableDeviceText(name) +
            (product.value.empty() ? "" : " (" + PrintableDeviceText(product.value) + ")") +
            " is " + use;
        found.drives.push_back(std::move(drive));
    }
    std::sort(
        found.drives.begin(), found.drives.end(),
        [](const DriveInUse& a, const DriveInUse& b) { return a.description < b.description; });
    if (error && error.value() != ENOENT) {
        ListFailed(report, finder.BlocksFolder(), error.value());
        found.unknown = true;
    }
    return found;
}
