#pragma once

#include <filesystem>
#include <utility>

#include "SwitchingLock.h"

// The switching lock on Linux: flock(2) on the tree's bus/usb/devices folder, the folder every
// copy lists, in /sys or in a test's tree. It needs no file of its own, so it works the same for
// the package, a build from source and a throw-away tree, and the kernel drops it when a copy
// ends, however it ends. Any user may flock that folder; the bounded wait is what keeps a user
// who may not switch from holding up one who may.
class SysfsLock : public SwitchingLock {
  public:
    explicit SysfsLock(std::filesystem::path folder) : folder_(std::move(folder)) {}
    ~SysfsLock() override;
    SysfsLock(const SysfsLock&) = delete;
    SysfsLock& operator=(const SysfsLock&) = delete;

    Attempt TryTake() override;
    std::string WhyUnavailable() const override;

  private:
    std::filesystem::path folder_;
    int fd_ = -1;
    int error_ = 0;
};
