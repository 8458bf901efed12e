#pragma once

#include <filesystem>
#include <string_view>

#include "devcon/Report.h"

// What a bounded write returns for a write that the kernel has not finished within kSwitchBound:
// not an errno.
constexpr int kWriteUnfinished = -1;

// The failures of the sysfs layer, each naming the device, the file and the errno, with the fix
// for that errno. WriteFailed also takes kWriteUnfinished, for a write the kernel has not finished.
void ReadFailed(Report& report, std::string_view entry, const std::filesystem::path& file,
                int error);
void WriteFailed(Report& report, std::string_view entry, std::string_view value,
                 const std::filesystem::path& file, int error);
void ListFailed(Report& report, const std::filesystem::path& folder, int error);
// A device below a root hub that this user may not switch on: only root hubs are opened to
// group vantrel, and a device switched off by itself is root's to switch on again.
void SwitchOnNotPermitted(Report& report, std::string_view label, const std::filesystem::path& file,
                          int error);
// A root hub left on, as the drive in use below it would lose data if it went: "usb2: not
// switched off: sdb1 (SanDisk Ultra) is mounted at /media/ann/STICK".
void DriveKeepsOn(Report& report, std::string_view rootHub, std::string_view drive,
                  bool systemDisk);
// The mount table or the swap areas cannot be read, so no drive can be told unused.
void UseUnreadable(Report& report, const std::filesystem::path& file, int error);
