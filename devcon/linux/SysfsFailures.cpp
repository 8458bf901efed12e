#include "devcon/linux/SysfsFailures.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "common/linux/PrivilegesPointer.h"
#include "devcon/BoundedCall.h"
#include "devcon/linux/Switching.h"

namespace {

const std::string kFixPermission =
    "run devcon.exe as root, or install the udev rule 70-vantrel-usb-authorized.rules and join "
    "group vantrel (see " +
    std::string(kPrivilegesPointer) + ")";

std::string_view FixFor(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return kFixPermission;
        case EROFS:
            return "sysfs is read-only here (a container?): run devcon.exe on the host";
        // Not refusals: the tree is not shaped as the kernel makes it.
        case EISDIR:
        case ENOTDIR:
            return "the folder is not as the kernel makes it: check that it is sysfs (or "
                   "VANTREL_SYSFS_ROOT); the kernel's log (dmesg) may tell what failed";
        default:
            return "the kernel's log (dmesg) may tell why it refused";
    }
}

// Switching the root hubs off and on brings it back: the kernel creates the devices below afresh,
// as "authorized_default" says.
constexpr std::string_view kBringBackOn =
    "have root switch it on (devcon.exe enable @USB\\* as root), or switch all USB devices off "
    "and on again (devcon.exe disable @USB\\*, then enable @USB\\*: \"Restart USB\"), which "
    "brings it back as unplugging it and plugging it in again does";

constexpr std::string_view kEjectDrive =
    "unmount the drive or eject it (the file manager's Eject does it, and writes what is left "
    "first), then switch USB off again";
constexpr std::string_view kSystemDisk =
    "the system runs from that drive: its root hub cannot be switched off while the system runs "
    "from it";

}  // namespace

void ReadFailed(Report& report, std::string_view entry, const std::filesystem::path& file,
                int error) {
    report.Failure(std::string(entry) + ": cannot read " + file.string(), std::strerror(error),
                   FixFor(error));
}

void WriteFailed(Report& report, std::string_view entry, std::string_view value,
                 const std::filesystem::path& file, int error) {
    if (error == kWriteUnfinished) {
        report.Failure(std::string(entry) + ": the kernel did not finish the write of " +
                           std::string(value) + " to " + file.string() + " within " +
                           SecondsText(kSwitchBound),
                       kSwitchUnfinished,
                       "the kernel's log (journalctl -k, or dmesg) names the stuck device or "
                       "driver; unplug that device, or restart the machine if USB stays as it is");
        return;
    }
    report.Failure(
        std::string(entry) + ": cannot write " + std::string(value) + " to " + file.string(),
        std::strerror(error), FixFor(error));
}

void ListFailed(Report& report, const std::filesystem::path& folder, int error) {
    report.Failure("cannot list " + folder.string(), std::strerror(error), FixFor(error));
}

void SwitchOnNotPermitted(Report& report, std::string_view label, const std::filesystem::path& file,
                          int error) {
    report.Failure(std::string(label) +
                       ": not permitted to switch it on, as it was switched off by itself, not "
                       "with its root hub, and group vantrel may switch root hubs only: cannot "
                       "write 1 to " +
                       file.string(),
                   std::strerror(error), kBringBackOn);
}

void DriveKeepsOn(Report& report, std::string_view rootHub, std::string_view drive,
                  bool systemDisk) {
    report.Failure(std::string(rootHub) + ": not switched off: " + std::string(drive), {},
                   systemDisk ? kSystemDisk : kEjectDrive);
}

void UseUnreadable(Report& report, const std::filesystem::path& file, int error) {
    report.Failure("cannot read " + file.string() + ", so no drive on USB can be told unused",
                   std::strerror(error), FixFor(error));
}
