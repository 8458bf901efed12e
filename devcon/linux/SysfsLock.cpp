#include "devcon/linux/SysfsLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

int OpenFolder(const std::filesystem::path& folder) {
    return folder.empty() ? (errno = ENOENT, -1)
                          : open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

SysfsLock::~SysfsLock() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

SwitchingLock::Attempt SysfsLock::TryTake() {
    if (fd_ < 0) {
        fd_ = OpenFolder(folder_);
        if (fd_ < 0 && errno == ENOENT) {
            folder_ = fallback_;
            fd_ = OpenFolder(folder_);
        }
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

std::string SysfsLock::Description() const {
    return "the lock is a flock of " + folder_.string() + "; lslocks shows which process holds it";
}
