// The recording stand-in for devcon.exe on Linux (what it records, and how it is held and made
// to fail: tests/support/DevconRecord.h). Its own fields tell whether it leads its own session,
// whether it ignores SIGPIPE, and its open descriptors.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/DevconRecord.h"

namespace {

std::string LinkTarget(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : "?";
}

// "0=/dev/null,1=/dev/null,2=/dev/null" for every open descriptor but the listing's own.
std::string OpenDescriptors() {
    std::string result;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        return "?";
    }
    for (const dirent* entry = readdir(dir); entry != nullptr; entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || std::atoi(name.c_str()) == dirfd(dir)) {
            continue;
        }
        if (!result.empty()) {
            result += ',';
        }
        result.append(name).append("=").append(LinkTarget("/proc/self/fd/" + name));
    }
    closedir(dir);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* release = std::getenv("DEVCON_HOLD")) {
        devcon_record::WaitForRelease(release);
    }
    const std::string fds = OpenDescriptors();
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    char cwd[PATH_MAX];
    struct sigaction pipe {};
    sigaction(SIGPIPE, nullptr, &pipe);
    const std::string line = devcon_record::Line(
        now.tv_sec * 1'000'000'000LL + now.tv_nsec, LinkTarget("/proc/self/exe"),
        std::vector<std::string>(argv, argv + argc), getcwd(cwd, sizeof cwd) ? cwd : "?",
        {{"session", getsid(0) == getpid() ? "own" : "inherited"},
         {"sigpipe", pipe.sa_handler == SIG_IGN ? "ignored" : "default"},
         {"fds", fds}});

    const char* log = std::getenv("DEVCON_LOG");
    const int fd = open(log ? log : "devcon.log", O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        return 1;
    }
    close(fd);
    if (const char* failure = std::getenv("DEVCON_STDERR")) {
        const std::string text = failure;
        if (write(2, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            return 1;
        }
    }
    const char* exitCode = std::getenv("DEVCON_EXIT_CODE");
    return exitCode ? std::atoi(exitCode) : 0;
}
