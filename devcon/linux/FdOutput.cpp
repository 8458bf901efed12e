#include "FdOutput.h"

#include <unistd.h>

#include <cerrno>

void FdOutput::Write(std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd_, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // nowhere to say anything
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}
