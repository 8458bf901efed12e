// A stand-in for devcon.exe that records how it was started. It appends one line of tab-separated
// fields to the file named by DEVCON_LOG: its arguments, working directory, open descriptors,
// whether it leads its own session and ignores SIGPIPE, and a monotonic time stamp. With
// DEVCON_BLOCK_FIFO set it first waits for one byte from that FIFO, so a test can hold it running.
// With DEVCON_STDERR set it writes that text to its standard error, as a failing run does, and
// exits with DEVCON_EXIT_CODE.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

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

void WaitOnFifo(const char* fifo) {
    const int fd = open(fifo, O_RDONLY);
    char byte;
    while (fd >= 0 && read(fd, &byte, 1) < 0) {
    }
    close(fd);
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* fifo = std::getenv("DEVCON_BLOCK_FIFO")) {
        WaitOnFifo(fifo);
    }
    const std::string fds = OpenDescriptors();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::string line = "t=" + std::to_string(now.tv_sec * 1'000'000'000LL + now.tv_nsec);
    line += "\targc=" + std::to_string(argc) + "\targv=";
    for (int i = 0; i < argc; ++i) {
        if (i > 0) {
            line += '|';
        }
        line += argv[i];
    }
    char cwd[PATH_MAX];
    line += "\tcwd=" + std::string(getcwd(cwd, sizeof cwd) ? cwd : "?");
    line += "\tsession=" + std::string(getsid(0) == getpid() ? "own" : "inherited");
    struct sigaction pipe {};
    sigaction(SIGPIPE, nullptr, &pipe);
    line += "\tsigpipe=" + std::string(pipe.sa_handler == SIG_IGN ? "ignored" : "default");
    line += "\tfds=" + fds + "\n";

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
