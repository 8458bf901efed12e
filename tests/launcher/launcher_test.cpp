#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <iostream>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/DevconRecord.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

extern char** environ;

namespace {

struct ProbeResult {
    int exitCode = -1;
    std::string output;
};

using devcon_record::Record;

// A program folder (with a space and a non-ASCII letter in its name) holding a copy of the
// probe, which calls RunDevcon as the program does, and a separate current directory.
class LauncherTest : public ::testing::Test {
  protected:
    fs::path root;
    fs::path programFolder;
    fs::path elsewhere;
    fs::path log;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantrel-launcher-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        programFolder = root / "Prüf folder";
        elsewhere = root / "elsewhere";
        log = root / "devcon.log";
        fs::create_directories(programFolder);
        fs::create_directories(elsewhere);
        fs::copy_file(LAUNCH_PROBE, programFolder / "probe");
        setenv("DEVCON_LOG", log.c_str(), 1);
    }

    void TearDown() override {
        unsetenv("DEVCON_LOG");
        unsetenv("DEVCON_HOLD");
        unsetenv("DEVCON_STDERR");
        unsetenv("DEVCON_EXIT_CODE");
        fs::remove_all(root);
    }

    void InstallTool(fs::perms perms = fs::perms::owner_all) {
        fs::copy_file(RECORDING_DEVCON, programFolder / "devcon.exe");
        fs::permissions(programFolder / "devcon.exe", perms);
    }

    // Runs the probe with `elsewhere` as its current directory and a file of ours as its stdin,
    // which the tool must not inherit; every wait is bounded.
    ProbeResult RunProbe(const std::string& verb, int count, const std::string& mode = {}) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) {
            return {};
        }
        const std::string input = (root / "probe-stdin").string();
        std::ofstream{input};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addchdir_np(&actions, elsewhere.c_str());
        const std::string probe = (programFolder / "probe").string();
        const std::string countText = std::to_string(count);
        char* argv[] = {const_cast<char*>("probe"), const_cast<char*>(verb.c_str()),
                        const_cast<char*>(countText.c_str()),
                        mode.empty() ? nullptr : const_cast<char*>(mode.c_str()), nullptr};
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, probe.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);

        ProbeResult result;
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        pollfd readable{out[0], POLLIN, 0};
        char buffer[4096];
        while (spawned == 0 && std::chrono::steady_clock::now() < deadline &&
               poll(&readable, 1, 1000) >= 0) {
            const ssize_t n = readable.revents ? read(out[0], buffer, sizeof buffer) : 1;
            if (n <= 0) {
                break;
            }
            result.output.append(buffer, readable.revents ? static_cast<std::size_t>(n) : 0);
        }
        close(out[0]);
        int status = 0;
        if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        }
        return result;
    }

    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    // The launched tools run detached, so their records arrive after the probe has returned.
    std::vector<std::string> WaitForLogLines(std::size_t count) const {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        std::vector<std::string> lines = LogLines();
        while (lines.size() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
            lines = LogLines();
        }
        return lines;
    }
};

TEST_F(LauncherTest, StartsTheToolHiddenDetachedAndInTheProgramFolder) {
    InstallTool();
    for (const std::string verb : {"enable", "disable"}) {
        fs::remove(log);
        const ProbeResult probe = RunProbe(verb, 1);
        ASSERT_EQ(probe.exitCode, 0) << probe.output;
        const std::vector<std::string> lines = WaitForLogLines(1);
        ASSERT_EQ(lines.size(), 1u);

        Record record = devcon_record::Parse(lines[0]);
        EXPECT_EQ(record["argc"], "3");
        EXPECT_EQ(record["argv"], "devcon.exe|" + verb + "|@USB\\*");
        EXPECT_EQ(record["cwd"], fs::canonical(programFolder).string());
        EXPECT_EQ(record["fds"], "0=/dev/null,1=/dev/null,2=/dev/null");
        EXPECT_EQ(record["session"], "own");
    }
}

TEST_F(LauncherTest, ReturnsWhileTheToolIsStillRunning) {
    InstallTool();
    const fs::path release = root / "release";
    setenv("DEVCON_HOLD", release.c_str(), 1);

    const ProbeResult probe = RunProbe("enable", 2);
    EXPECT_EQ(probe.exitCode, 0);
    EXPECT_EQ(probe.output.rfind("returned\n", 0), 0u) << probe.output;
    EXPECT_TRUE(LogLines().empty()) << "the tools ran before being released";

    std::ofstream{release};
    EXPECT_EQ(WaitForLogLines(2).size(), 2u);
}

TEST_F(LauncherTest, AMissingOrNonExecutableToolIsSilent) {
    ProbeResult probe = RunProbe("enable", 3);
    EXPECT_EQ(probe.exitCode, 0);
    EXPECT_NE(probe.output.find("children 0\n"), std::string::npos) << probe.output;

    InstallTool(fs::perms::owner_read | fs::perms::owner_write);
    probe = RunProbe("disable", 3);
    EXPECT_EQ(probe.exitCode, 0);
    EXPECT_NE(probe.output.find("children 0\n"), std::string::npos) << probe.output;
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(LauncherTest, TakesTheToolFromTheExecutablesFolderNotTheCurrentDirectory) {
    InstallTool();
    const fs::path decoy = elsewhere / "devcon.exe";
    std::ofstream(decoy) << "#!/bin/sh\necho decoy >> \"$DEVCON_LOG\"\n";
    fs::permissions(decoy, fs::perms::owner_all);

    ASSERT_EQ(RunProbe("enable", 1).exitCode, 0);
    const std::vector<std::string> lines = WaitForLogLines(1);
    ASSERT_EQ(lines.size(), 1u);
    const Record record = devcon_record::Parse(lines[0]);
    EXPECT_EQ(record.at("exe"), fs::canonical(programFolder / "devcon.exe").string());
    EXPECT_EQ(record.at("cwd"), fs::canonical(programFolder).string());
}

// The probe's report: "name before after" per line.
std::map<std::string, std::pair<long long, long long>> Counts(const std::string& output) {
    std::istringstream report(output);
    std::map<std::string, std::pair<long long, long long>> counts;
    for (std::string line; std::getline(report, line);) {
        std::istringstream words(line);
        std::string name;
        long long before = -1;
        long long after = -1;
        words >> name >> before >> after;
        counts[name] = {before, after};
    }
    return counts;
}

// A signal mask left blocked would make the program deaf to Ctrl-C and SIGTERM.
TEST_F(LauncherTest, LeavesNoZombieDescriptorThreadSignalMaskOrErrnoAfterThousandsOfLaunches) {
    InstallTool();
    const ProbeResult probe = RunProbe("enable", 2000);
    ASSERT_EQ(probe.exitCode, 0);

    auto counts = Counts(probe.output);
    EXPECT_EQ(counts["fds"].first, counts["fds"].second);
    EXPECT_EQ(counts["threads"].first, counts["threads"].second);
    EXPECT_EQ(counts["blocked"].first, counts["blocked"].second) << probe.output;
    EXPECT_EQ(counts["errno"].first, counts["errno"].second) << probe.output;
    EXPECT_EQ(counts["children"].first, 0);
    EXPECT_EQ(WaitForLogLines(2000).size(), 2000u);
}

// Each run's standard error reaches the listener on the event loop, through a pipe that is the
// tool's only descriptor of ours; once all have ended, no descriptor or child is left.
TEST_F(LauncherTest, DeliversEachRunsErrorOutputOnTheEventLoopAndLeavesNothingBehind) {
    InstallTool();
    const std::string lines =
        "devcon.exe: usb1: cannot write 1 to authorized: Permission denied\n"
        "devcon.exe: to fix: join group vantrel.\n";
    setenv("DEVCON_STDERR", lines.c_str(), 1);
    setenv("DEVCON_EXIT_CODE", "2", 1);
    const ProbeResult probe = RunProbe("enable", 500, "listen");
    ASSERT_EQ(probe.exitCode, 0);
    std::cout << probe.output;

    EXPECT_NE(probe.output.find("delivered 500\nfirst enable " + lines), std::string::npos)
        << probe.output;
    auto counts = Counts(probe.output);
    EXPECT_EQ(counts["fds"].first, counts["fds"].second);
    EXPECT_EQ(counts["children"].first, 0);
    EXPECT_EQ(counts["children"].second, 0);
    const std::vector<std::string> records = WaitForLogLines(500);
    ASSERT_EQ(records.size(), 500u);
    EXPECT_EQ(devcon_record::Parse(records[0])["fds"].rfind("0=/dev/null,1=/dev/null,2=pipe:[", 0),
              0u)
        << records[0];
    EXPECT_EQ(std::count(records[0].begin(), records[0].end(), ','), 2) << records[0];
    // Nor is it killed by a failure line written once the program has ended.
    EXPECT_EQ(devcon_record::Parse(records[0])["sigpipe"], "ignored");
}

}  // namespace
