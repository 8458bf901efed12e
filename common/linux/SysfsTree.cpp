#include "common/linux/SysfsTree.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

#include "common/linux/UsbEntryName.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxAttributeSize = 4096;  // one page, as sysfs hands out

int OpenRetrying(const fs::path& path, int flags) {
    int fd;
    do {
        fd = open(path.c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

SysfsTree::SysfsTree(fs::path root)
    : root_(std::move(root)), devices_(root_ / "bus" / "usb" / "devices") {}

fs::path SysfsTree::RootFromEnvironment() {
    const char* root = std::getenv("VANTREL_SYSFS_ROOT");
    return root != nullptr && *root != '\0' ? fs::path(root) : fs::path("/sys");
}

SysfsTree::Listing SysfsTree::ListDevices() const {
    std::vector<std::pair<UsbEntryName, std::string>> found;
    std::error_code error;
    for (fs::directory_iterator it(devices_, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        if (const std::optional<UsbEntryName> parsed = ParseUsbDeviceName(name)) {
            found.emplace_back(*parsed, std::move(name));
        }
    }
    if (error && error.value() != ENOENT) {
        return {{}, error.value()};
    }
    std::sort(found.begin(), found.end());
    Listing listing;
    for (auto& [parsed, name] : found) {
        listing.devices.push_back(std::move(name));
    }
    return listing;
}

fs::path SysfsTree::AttributePath(const std::string& entry, std::string_view attribute) const {
    return devices_ / entry / attribute;
}

SysfsTree::Attribute SysfsTree::Read(const std::string& entry, std::string_view attribute) const {
    // sysfs answers a read at once; O_NONBLOCK keeps a file that would wait for a writer (a FIFO)
    // from holding the tool up.
    const int fd = OpenRetrying(AttributePath(entry, attribute), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return {{}, errno};
    }
    Attribute result;
    char buffer[kMaxAttributeSize];
    while (result.value.size() < kMaxAttributeSize) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            result.error = errno;
        }
        if (count <= 0) {
            break;
        }
        result.value.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    while (!result.value.empty() && std::isspace(static_cast<unsigned char>(result.value.back()))) {
        result.value.pop_back();
    }
    return result;
}

int SysfsTree::Write(const std::string& entry, std::string_view attribute,
                     std::string_view value) const {
    // As `echo VALUE > FILE` does: sysfs takes the whole value in one write.
    const std::string line = std::string(value) + "\n";
    int error = 0;
    const int fd = OpenRetrying(AttributePath(entry, attribute), O_WRONLY | O_TRUNC);
    if (fd < 0) {
        error = errno;
    } else {
        ssize_t written;
        do {
            written = write(fd, line.data(), line.size());
        } while (written < 0 && errno == EINTR);
        if (written < 0) {
            error = errno;
        } else if (static_cast<std::size_t>(written) != line.size()) {
            error = EIO;
        }
        close(fd);
    }
    if (observer_) {
        observer_(entry, attribute, value, error);
    }
    return error;
}

SysfsTree::Listing ListRootHubs(const SysfsTree& tree) {
    SysfsTree::Listing listing = tree.ListDevices();
    std::erase_if(listing.devices,
                  [](const std::string& entry) { return !ParseUsbDeviceName(entry)->IsRootHub(); });
    return listing;
}
