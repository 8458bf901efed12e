// Runs the built devcon.exe itself, always pointed at a temporary tree through VANTREL_SYSFS_ROOT.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/devcon/linux/FakeUsbTree.h"
#include "tests/devcon/linux/UsbMachine.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

extern char** environ;

namespace {

constexpr uid_t kNobody = 65534;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string FileContent(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Our environment with VANTREL_SYSFS_ROOT replaced by `root`.
std::vector<std::string> ToolEnvironment(const fs::path& root) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (!std::string_view(*variable).starts_with("VANTREL_SYSFS_ROOT=")) {
            environment.emplace_back(*variable);
        }
    }
    environment.push_back("VANTREL_SYSFS_ROOT=" + root.string());
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Starts devcon.exe on the tree at `root` (never on the real /sys), as user nobody when asked,
// with `environment` added to ours; its output goes to files in the tree.
pid_t StartTool(const fs::path& root, Strings args, bool asNobody = false,
                const Strings& extraEnvironment = {}) {
    EXPECT_TRUE(root.is_absolute() && fs::exists(root / "bus")) << root;
    if (!root.is_absolute() || !fs::exists(root / "bus")) {
        return -1;
    }
    args.insert(args.begin(), "devcon.exe");
    std::vector<char*> argv = Pointers(args);
    std::vector<std::string> environment = ToolEnvironment(root);
    environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> envp = Pointers(environment);

    const pid_t child = fork();
    if (child == 0) {
        const int outFd = open((root / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open((root / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(outFd, 1);
        dup2(errFd, 2);
        // Opened while still root: nobody may not be able to reach the build folder (under
        // /root, say), yet may run the binary itself.
        const int exe = open(DEVCON_EXE, O_RDONLY | O_CLOEXEC);
        if (asNobody && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(126);
        }
        fexecve(exe, argv.data(), envp.data());
        _exit(127);
    }
    return child;
}

// Waits at most ten seconds for the started devcon.exe and collects what it printed.
ToolRun FinishTool(const fs::path& root, pid_t child) {
    ToolRun run;
    if (child < 0) {
        return run;
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "devcon.exe did not finish within 10 s";
            return run;
        }
        std::this_thread::sleep_for(2ms);
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = FileContent(root / "stdout");
    run.err = FileContent(root / "stderr");
    fs::remove(root / "stdout");
    fs::remove(root / "stderr");
    return run;
}

ToolRun RunTool(const fs::path& root, Strings args, bool asNobody = false,
                const Strings& extraEnvironment = {}) {
    return FinishTool(root, StartTool(root, std::move(args), asNobody, extraEnvironment));
}

// Every file of the tree with its content.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), root).string()] = FileContent(entry.path());
        }
    }
    return files;
}

// Tells which `authorized` files were written, in order, from their close-after-write events.
class WriteOrder {
  public:
    explicit WriteOrder(const FakeUsbTree& fake) : fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
        for (const std::string& entry : fake.Entries()) {
            const fs::path file = fake.Entry(entry) / "authorized";
            if (fs::is_regular_file(file)) {
                entries_[inotify_add_watch(fd_, file.c_str(), IN_CLOSE_WRITE)] = entry;
            }
        }
    }
    ~WriteOrder() { close(fd_); }

    Strings Written() const {
        Strings written;
        alignas(inotify_event) char buffer[4096];
        ssize_t length;
        while ((length = read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                written.push_back(entries_.at(event->wd));
                p += sizeof(inotify_event) + event->len;
            }
        }
        return written;
    }

  private:
    int fd_;
    std::map<int, std::string> entries_;
};

constexpr const char* kUsage = "Usage: devcon.exe enable|disable|status @USB\\*\n";

class DevconExeTest : public ::testing::Test {
  protected:
    FakeUsbTree fake;

    void SetUp() override { PlugUsbMachine(fake); }
};

TEST_F(DevconExeTest, UsageErrorsExitThreeAndTouchNothing) {
    const auto before = Snapshot(fake.Root());
    for (const Strings& args : std::vector<Strings>{{},
                                                    {"enable"},
                                                    {"restart", "@USB\\*"},
                                                    {"enable", "@USB*"},
                                                    {"disable", "USB\\*"},
                                                    {"disable", "@USB\\*", "now"},
                                                    {"/?"}}) {
        const ToolRun run = RunTool(fake.Root(), args);
        EXPECT_EQ(run.exitCode, 3) << args.size();
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with(kUsage)) << run.err;
    }
    EXPECT_EQ(Snapshot(fake.Root()), before);
}

TEST_F(DevconExeTest, DisableWritesZeroToEveryRootHubInOrder) {
    fake.PlugRootHub(10, "Tenth Host Controller");
    const WriteOrder order(fake);

    const ToolRun run = RunTool(fake.Root(), {"disable", "@USB\\*"});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): disabled\n"
              "usb2 (xHCI Host Controller): disabled\n"
              "usb3 (EHCI Host Controller): disabled\n"
              "usb10 (Tenth Host Controller): disabled\n"
              "4 device(s) disabled.\n");
    EXPECT_EQ(order.Written(), (Strings{"usb1", "usb2", "usb3", "usb10"}));
    for (const std::string& entry : fake.Entries()) {
        const bool rootHub = entry.starts_with("usb");
        EXPECT_EQ(FileContent(fake.Entry(entry) / "authorized"), rootHub ? "0\n" : "1\n") << entry;
    }
}

TEST_F(DevconExeTest, EnableWritesRootHubsFirstThenDevicesOffExceptThoseHeldBack) {
    fake.PlugRootHub(4, "Guarded Host Controller", "0");
    fake.PlugDevice("4-1", "Unknown Stick");
    for (const char* entry : {"usb3", "1-2.3", "1-1", "4-1", "1-2:1.0", "4-1:1.0"}) {
        fake.SetAttribute(entry, "authorized", "0");
    }
    const WriteOrder order(fake);

    const ToolRun run = RunTool(fake.Root(), {"enable", "@USB\\*"});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "usb3 (EHCI Host Controller): enabled\n"
              "1-1 (QEMU USB Keyboard): enabled\n"
              "1-2.3 (QEMU USB Hub): enabled\n"
              "4-1 (Unknown Stick): held back by policy (usb4 authorized_default is 0)\n"
              "3 device(s) enabled.\n"
              "1 device(s) held back by policy.\n");
    EXPECT_EQ(order.Written(), (Strings{"usb3", "1-1", "1-2.3"}));
    EXPECT_EQ(fake.Authorized("4-1"), "0");
    EXPECT_EQ(fake.Authorized("1-2:1.0"), "0");
    EXPECT_EQ(fake.Authorized("4-1:1.0"), "0");
}

TEST_F(DevconExeTest, StatusListsDevicesAndCountsThem) {
    fake.SetAttribute("usb3", "authorized", "0");
    fake.React("usb3", "0");

    const ToolRun run = RunTool(fake.Root(), {"status", "@USB\\*"});

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): running\n"
              "1-1 (QEMU USB Keyboard): running\n"
              "1-2 (QEMU USB Hub): running\n"
              "1-2.1 (QEMU USB Keyboard): running\n"
              "1-2.2 (QEMU USB Mouse): running\n"
              "1-2.3 (QEMU USB Hub): running\n"
              "1-2.3.1 (QEMU USB Tablet): running\n"
              "usb2 (xHCI Host Controller): running\n"
              "usb3 (EHCI Host Controller): disabled\n"
              "9 matching device(s) found.\n");
}

TEST_F(DevconExeTest, PermissionDeniedExitsTwoNamesTheFixAndChangesNothing) {
    // As root: run as nobody, for whom root's 0644 files are read-only. Otherwise make them so.
    fs::permissions(fake.Root(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    for (const std::string& entry : fake.Entries()) {
        fs::permissions(fake.Entry(entry) / "authorized",
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    const auto before = Snapshot(fake.Root());

    const ToolRun run = RunTool(fake.Root(), {"disable", "@USB\\*"}, /*asNobody=*/true);

    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "0 device(s) disabled.\n");
    const std::string usb1 = (fake.Entry("usb1") / "authorized").string();
    EXPECT_NE(run.err.find("devcon.exe: usb1: cannot write 0 to " + usb1 + ": Permission denied\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("run devcon.exe as root, or install the udev rule "
                           "70-vantrel-usb-authorized.rules and join group vantrel (see "
                           "\"man vantrel\", section PERMISSIONS)"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Snapshot(fake.Root()), before);
}

TEST_F(DevconExeTest, GroupMemberCannotSwitchOnADeviceSwitchedOffByItselfAndIsToldWhy) {
    // As the udev rule leaves them: root hubs writable for the member, every device root's only.
    fs::permissions(fake.Root(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    fake.SetAttribute("usb3", "authorized", "0");
    fake.React("usb3", "0");
    fake.SetAttribute("1-1", "authorized", "0");
    fake.React("1-1", "0");
    constexpr fs::perms kReadOnly =
        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    constexpr fs::perms kWritable =
        kReadOnly | fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    for (const std::string& entry : fake.Entries()) {
        fs::permissions(fake.Entry(entry) / "authorized",
                        entry.starts_with("usb") ? kWritable : kReadOnly);
    }

    const ToolRun run = RunTool(fake.Root(), {"enable", "@USB\\*"}, /*asNobody=*/true);

    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out,
              "usb3 (EHCI Host Controller): enabled\n"
              "1 device(s) enabled.\n");
    EXPECT_EQ(run.err,
              "devcon.exe: 1-1 (QEMU USB Keyboard): not permitted to switch it on, as it "
              "was switched off by itself, not with its root hub, and group vantrel may "
              "switch root hubs only: cannot write 1 to " +
                  (fake.Entry("1-1") / "authorized").string() +
                  ": Permission denied\n"
                  "devcon.exe: to fix: have root switch it on (devcon.exe enable @USB\\* "
                  "as root), or switch all USB devices off and on again (devcon.exe disable "
                  "@USB\\*, then enable @USB\\*: \"Restart USB\"), which brings it back as "
                  "unplugging it and plugging it in again does.\n");
    EXPECT_EQ(fake.Authorized("1-1"), "0");
    EXPECT_EQ(fake.Authorized("usb3"), "1");
}

TEST_F(DevconExeTest, OtherFailuresExitTwoAndTheRestIsStillSwitched) {
    fs::remove(fake.Entry("usb1") / "authorized");
    fs::create_symlink("/dev/full", fake.Entry("usb1") / "authorized");

    const ToolRun run = RunTool(fake.Root(), {"disable", "@USB\\*"});

    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out,
              "usb2 (xHCI Host Controller): disabled\n"
              "usb3 (EHCI Host Controller): disabled\n"
              "2 device(s) disabled.\n");
    EXPECT_TRUE(run.err.starts_with("devcon.exe: usb1: cannot write 0 to " +
                                    (fake.Entry("usb1") / "authorized").string() +
                                    ": No space left on device\n"))
        << run.err;
}

TEST(DevconExeWithoutUsb, FindsNothingAndSucceeds) {
    FakeUsbTree fake;

    const ToolRun status = RunTool(fake.Root(), {"status", "@USB\\*"});
    const ToolRun enable = RunTool(fake.Root(), {"enable", "@USB\\*"});

    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.out, "0 matching device(s) found.\n");
    EXPECT_EQ(enable.exitCode, 0);
    EXPECT_EQ(enable.out, "0 device(s) enabled.\n");
}

// The switching lock as another copy of devcon.exe holds it: a flock on the tree's devices folder.
class HeldLock {
  public:
    explicit HeldLock(const FakeUsbTree& fake)
        : fd_(open((fake.Root() / "bus/usb/devices").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        EXPECT_EQ(flock(fd_, LOCK_EX | LOCK_NB), 0) << std::strerror(errno);
    }
    ~HeldLock() { Release(); }
    void Release() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_;
};

TEST_F(DevconExeTest, ASwitchWaitsForTheCopyThatHoldsTheLockAndStatusDoesNot) {
    fake.SetAttribute("usb3", "authorized", "0");
    HeldLock held(fake);

    EXPECT_EQ(RunTool(fake.Root(), {"status", "@USB\\*"}).exitCode, 0);
    const pid_t enable = StartTool(fake.Root(), {"enable", "@USB\\*"});
    std::this_thread::sleep_for(300ms);  // time to switch, were it not held up
    EXPECT_EQ(waitpid(enable, nullptr, WNOHANG), 0) << "enable did not wait";
    EXPECT_EQ(fake.Authorized("usb3"), "0");
    held.Release();
    const ToolRun run = FinishTool(fake.Root(), enable);

    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "usb3 (EHCI Host Controller): enabled\n1 device(s) enabled.\n");
    EXPECT_EQ(fake.Authorized("usb3"), "1");
}

// Past the bound an enable goes ahead and a disable gives up, each saying so on standard error.
TEST_F(DevconExeTest, PastTheBoundAnEnableGoesAheadAndADisableGivesUp) {
    fake.SetAttribute("usb3", "authorized", "0");
    const HeldLock held(fake);

    const ToolRun disable = RunTool(fake.Root(), {"disable", "@USB\\*"}, /*asNobody=*/false,
                                    {"VANTREL_DEVCON_LOCK_WAIT_MS=200"});
    const ToolRun enable = RunTool(fake.Root(), {"enable", "@USB\\*"}, /*asNobody=*/false,
                                   {"VANTREL_DEVCON_LOCK_WAIT_MS=200"});

    EXPECT_EQ(disable.exitCode, 2);
    EXPECT_EQ(disable.out, "");
    EXPECT_TRUE(std::regex_search(disable.err, std::regex("^devcon\\.exe: did not switch USB "
                                                          "devices off: another program has been "
                                                          "switching them for 0\\.[0-9] s: ")))
        << disable.err;
    EXPECT_EQ(fake.Authorized("usb1"), "1");
    EXPECT_EQ(enable.exitCode, 0);
    EXPECT_TRUE(
        std::regex_search(enable.err, std::regex("^devcon\\.exe: waited 0\\.[0-9] s for "
                                                 "another program to finish switching USB "
                                                 "devices; switching them on anyway \\(the "
                                                 "lock is a flock of .*/bus/usb/devices; ")))
        << enable.err;
    EXPECT_EQ(enable.out, "usb3 (EHCI Host Controller): enabled\n1 device(s) enabled.\n");
}

// A root hub whose `authorized` the kernel does not finish writing (a FIFO that nobody reads
// stands in for it) holds up neither the root hubs after it nor the end of the run.
TEST_F(DevconExeTest, ARootHubStuckInTheKernelIsNamedAndTheOthersAreStillSwitched) {
    fake.SetAttribute("usb1", "authorized", "0");
    fake.SetAttribute("usb3", "authorized", "0");
    const fs::path stuck = fake.Entry("usb2") / "authorized";
    fs::remove(stuck);
    ASSERT_EQ(mkfifo(stuck.c_str(), 0600), 0) << std::strerror(errno);

    const auto start = std::chrono::steady_clock::now();
    const ToolRun run = RunTool(fake.Root(), {"enable", "@USB\\*"});
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("enable with usb2 stuck ended after %.2f s\n", took.count());

    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): enabled\n"
              "usb3 (EHCI Host Controller): enabled\n"
              "2 device(s) enabled.\n");
    EXPECT_TRUE(
        run.err.starts_with("devcon.exe: usb2: the kernel did not finish the write of 1 to " +
                            stuck.string() + " within 5.0 s"))
        << run.err;
    EXPECT_NE(run.err.find("to fix: "), std::string::npos) << run.err;
    EXPECT_EQ(fake.Authorized("usb1"), "1");
    EXPECT_EQ(fake.Authorized("usb3"), "1");
}

// Nobody left to read what it says: it still switches everything.
TEST_F(DevconExeTest, AReaderThatGoesAwayDoesNotStopTheSwitching) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    close(pipeFds[0]);
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        setenv("VANTREL_SYSFS_ROOT", fake.Root().c_str(), 1);
        execl(DEVCON_EXE, "devcon.exe", "disable", "@USB\\*", nullptr);
        _exit(127);
    }
    close(pipeFds[1]);
    int status = 0;
    waitpid(child, &status, 0);

    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    for (const char* rootHub : {"usb1", "usb2", "usb3"}) {
        EXPECT_EQ(fake.Authorized(rootHub), "0") << rootHub;
    }
}

}  // namespace
