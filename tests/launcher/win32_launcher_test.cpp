#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/win32/Sandbox.h"

namespace fs = std::filesystem;

namespace {

// The probe, which calls RunDevcon as the program does, copied into a program folder whose name
// no ANSI code page can hold, and run from another current directory.
class Win32LauncherTest : public ::testing::Test {
  protected:
    Sandbox sandbox;

    void SetUp() override {
        fs::copy_file(FromBuildPath(LAUNCH_PROBE), sandbox.programFolder / L"probe.exe");
    }

    void InstallTool(const fs::path& folder) const {
        fs::copy_file(FromBuildPath(RECORDING_DEVCON), folder / L"devcon.exe");
    }

    ProcessResult RunProbe(const std::wstring& verb, int count) const {
        return RunProgram(sandbox.programFolder / L"probe.exe",
                          verb + L" " + std::to_wstring(count), sandbox.elsewhere, 60000);
    }

    std::string ProgramFolder() const { return Utf8(sandbox.programFolder.wstring()); }
    std::string Tool() const { return ProgramFolder() + "\\devcon.exe"; }
};

TEST_F(Win32LauncherTest, StartsTheToolHiddenFromTheProgramFolderWhateverItsName) {
    InstallTool(sandbox.programFolder);
    for (const std::wstring verb : {L"enable", L"disable"}) {
        fs::remove(sandbox.log);
        const ProcessResult probe = RunProbe(verb, 1);
        ASSERT_TRUE(probe.finished);
        ASSERT_EQ(probe.exitCode, 0u) << probe.output;
        const std::vector<Record> records = sandbox.WaitForRecords(1, 30000);
        ASSERT_EQ(records.size(), 1u);

        Record record = records[0];
        EXPECT_EQ(record["argv"], Tool() + "|" + Utf8(verb) + "|@USB\\*");
        EXPECT_EQ(record["exe"], Tool());
        EXPECT_EQ(record["cwd"], ProgramFolder());
        EXPECT_EQ(record["show"], "hidden");
        EXPECT_EQ(record["console"], "none");
    }
}

TEST_F(Win32LauncherTest, TakesTheToolFromTheProgramFolderNotTheCurrentDirectory) {
    InstallTool(sandbox.programFolder);
    InstallTool(sandbox.elsewhere);
    ASSERT_EQ(RunProbe(L"enable", 1).exitCode, 0u);
    const std::vector<Record> records = sandbox.WaitForRecords(1, 30000);
    ASSERT_EQ(records.size(), 1u);
    Record record = records[0];
    EXPECT_EQ(record["exe"], Tool());
    EXPECT_EQ(record["cwd"], ProgramFolder());
}

// Without a tool in the program folder nothing is started, not even a devcon.exe that the shell
// would find by name on the search path or in the caller's current directory: the program runs
// as administrator, and a planted one would too.
TEST_F(Win32LauncherTest, NeverSearchesForTheToolOutsideTheProgramFolder) {
    const fs::path onPath = sandbox.root / L"on path";
    fs::create_directories(onPath);
    InstallTool(onPath);
    InstallTool(sandbox.elsewhere);
    std::wstring path(32768, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), 32768));
    SetEnvironmentVariableW(L"PATH", (onPath.wstring() + L";" + path).c_str());
    const ProcessResult missing = RunProbe(L"enable", 1);

    // Then one launch that must happen: any launch from elsewhere came before it.
    InstallTool(sandbox.programFolder);
    const ProcessResult present = RunProbe(L"disable", 1);
    SetEnvironmentVariableW(L"PATH", path.c_str());
    ASSERT_EQ(missing.exitCode, 0u);
    ASSERT_EQ(present.exitCode, 0u);
    sandbox.WaitForRecords(1, 30000);
    Sleep(500);  // room for a launch too many to show up
    std::string launched;
    for (Record record : sandbox.Records()) {
        launched += record["argv"] + " " + record["exe"] + "\n";
    }
    EXPECT_EQ(launched, Tool() + "|disable|@USB\\* " + Tool() + "\n");
}

TEST_F(Win32LauncherTest, ReturnsWhileTheToolIsStillRunning) {
    InstallTool(sandbox.programFolder);
    const fs::path release = sandbox.root / L"release";
    SetEnvironmentVariableW(L"DEVCON_HOLD", release.c_str());

    const ProcessResult probe = RunProbe(L"enable", 2);
    EXPECT_TRUE(probe.finished);
    EXPECT_EQ(probe.output.rfind("returned", 0), 0u) << probe.output;
    Sleep(500);
    EXPECT_TRUE(sandbox.Records().empty()) << "the tools ran before being released";

    std::ofstream(release).put('x');
    EXPECT_EQ(sandbox.WaitForRecords(2, 60000).size(), 2u);
}

TEST_F(Win32LauncherTest, AMissingToolIsSilent) {
    const ProcessResult probe = RunProbe(L"disable", 3);
    EXPECT_TRUE(probe.finished);
    EXPECT_EQ(probe.exitCode, 0u);
    EXPECT_EQ(probe.output.rfind("returned", 0), 0u) << probe.output;
    Sleep(500);
    EXPECT_FALSE(fs::exists(sandbox.log));
}

TEST_F(Win32LauncherTest, KeepsNoHandleOrThreadAfterManyLaunches) {
    InstallTool(sandbox.programFolder);
    const int launches = 60;
    const ProcessResult probe = RunProbe(L"enable", launches);
    ASSERT_TRUE(probe.finished);
    ASSERT_EQ(probe.exitCode, 0u);

    std::istringstream report(probe.output);
    std::map<std::string, std::pair<long, long>> counts;
    for (std::string line; std::getline(report, line);) {
        std::istringstream words(line);
        std::string name;
        long before = -1;
        long after = -1;
        words >> name >> before >> after;
        counts[name] = {before, after};
    }
    EXPECT_EQ(counts["handles"].first, counts["handles"].second) << probe.output;
    EXPECT_EQ(counts["threads"].first, counts["threads"].second) << probe.output;
    EXPECT_EQ(sandbox.WaitForRecords(launches, 120000).size(), static_cast<std::size_t>(launches));
}

}  // namespace
