#include "SysfsLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

SysfsLock::~SysfsLock() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

SwitchingLock::Attempt SysfsLock::TryTake() {
    if (fd_ < 0) {
        fd_ = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            // No USB here: nothing to switch, so nothing to wait for.
            return error_ == ENOENT ? Attempt::Taken : Attempt::Unavailable;
        }
    }
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
        return Attempt::Taken;
    }
    if (errno == EWOULDBLOCK || errno == EINTR) {
        return Attempt::Busy;
    }
    error_ = errno;
    return Attempt::Unavailable;
}

std::string SysfsLock::WhyUnavailable() const {
    return "flock " + folder_.string() + ": " + std::strerror(error_);
}
