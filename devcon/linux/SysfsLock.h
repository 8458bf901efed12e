#pragma once

#include <filesystem>
#include <utility>

#include "devcon/SwitchingLock.h"

// The folder the package creates for the switching lock (systemd-tmpfiles, at every boot):
// root's and group vantrel's only, so that no other user can hold a switch up.
inline const std::filesystem::path kLockFolder = VANTREL_LOCK_FOLDER;

// The switching lock on Linux: flock(2) on a folder, so that it needs no file of its own and the
// kernel drops it when a copy ends, however it ends. The folder is `lockFolder` where it exists,
// else `fallbackFolder`, the tree's bus/usb/devices that every copy lists (a build from source, a
// throw-away tree), which any user may flock: there the bounded wait is what keeps a user who
// may not switch from holding up one who may.
class SysfsLock : public SwitchingLock {
  public:
    SysfsLock(std::filesystem::path lockFolder, std::filesystem::path fallbackFolder)
        : folder_(std::move(lockFolder)), fallback_(std::move(fallbackFolder)) {}
    ~SysfsLock() override;
    SysfsLock(const SysfsLock&) = delete;
    SysfsLock& operator=(const SysfsLock&) = delete;

    Attempt TryTake() override;
    std::string WhyUnavailable() const override;
    std::string Description() const override;

  private:
    std::filesystem::path folder_;  // the one locked, once opened
    std::filesystem::path fallback_;
    int fd_ = -1;
    int error_ = 0;
};
