// devcon.exe for Linux: switches every USB device on or off through sysfs, with DevCon's command
// line and exit codes, so that Vantrel can launch it as it launches DevCon on Windows.
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "common/linux/SysfsTree.h"
#include "devcon/Devcon.h"
#include "devcon/Output.h"
#include "devcon/linux/Switching.h"
#include "devcon/linux/SysfsLock.h"

namespace {

// Writes to a file descriptor (1 or 2) with write(2), each text whole.
class FdOutput : public Output {
  public:
    explicit FdOutput(int fd) : fd_(fd) {}
    void Write(std::string_view text) override;

  private:
    int fd_;
};

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

class SysfsDevices : public DeviceLayer {
  public:
    explicit SysfsDevices(const SysfsTree& tree) : tree_(tree) {}
    void EnableAll(Report& report) override { ::EnableAll(tree_, report); }
    void DisableAll(Report& report) override { ::DisableAll(tree_, report); }
    void ListStatus(Report& report) override { ::ListStatus(tree_, report); }

  private:
    const SysfsTree& tree_;
};

// The run, its lock let go on return.
int Run(int argc, char** argv) {
    const std::filesystem::path root = SysfsTree::RootFromEnvironment();
    const SysfsTree tree(root);
    SysfsDevices devices(tree);
    // A throw-away tree is not this machine's USB: its copies lock it alone.
    SysfsLock lock(root == "/sys" ? kLockFolder : std::filesystem::path(), tree.DevicesFolder());
    FdOutput out(STDOUT_FILENO);
    FdOutput err(STDERR_FILENO);
    return RunTool(argc, argv, devices, lock, out, err);
}

}  // namespace

int main(int argc, char** argv) {
    // Whoever reads our output may go away (the program that started us ended, a pipe into
    // `head`): the switching goes on, and what is left to say goes nowhere.
    signal(SIGPIPE, SIG_IGN);
    const int exitCode = Run(argc, argv);
    // A write that the kernel has not finished keeps its thread, and with it this process's open
    // files, alive past our exit: whoever reads our output must see its end now.
    close(STDOUT_FILENO);
    close(STDERR_FILENO);
    return exitCode;
}
