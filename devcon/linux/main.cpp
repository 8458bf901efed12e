// devcon.exe for Linux: switches every USB device on or off through sysfs, with DevCon's command
// line and exit codes, so that Vantrel can launch it as it launches DevCon on Windows.
#include <signal.h>
#include <unistd.h>

#include "Devcon.h"
#include "FdOutput.h"
#include "StatusListing.h"
#include "Switching.h"
#include "SysfsLock.h"
#include "SysfsTree.h"

namespace {

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
