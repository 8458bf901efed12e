// The built devcon.exe under Wine, on devices written into Wine's registry: a USB 3 root hub, a
// USB keyboard below it and the PCI host controller above it. Wine lists them but cannot switch
// devices: the tool must say so, and never crash.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "devcon/windows/MutexLock.h"
#include "tests/support/win32/Sandbox.h"

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kEnum = L"System\\CurrentControlSet\\Enum\\";
constexpr const wchar_t* kUsbClass = L"{36fc9e60-c465-11cf-8056-444553540000}";
constexpr const wchar_t* kHidClass = L"{745a17a0-74d3-11d0-b6fe-00a0c90f57da}";

struct RegistryDevice {
    const wchar_t* key;  // below Enum
    const wchar_t* classGuid;
    const wchar_t* description;
};

constexpr RegistryDevice kDevices[] = {
    {L"USB\\ROOT_HUB30\\4&VANTREL&0&0", kUsbClass, L"USB Root Hub (USB 3.0)"},
    {L"USB\\VID_046D&PID_C31C\\VANTREL0001", kHidClass, L"USB Input Device"},
    {L"PCI\\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\\3&VANTREL&0&A0", kUsbClass,
     L"USB 3.1 eXtensible Host Controller"},
};

constexpr const char* kRootHubLine = "USB\\ROOT_HUB30\\4&VANTREL&0&0 (USB Root Hub (USB 3.0)): ";
constexpr const char* kKeyboardLine = "USB\\VID_046D&PID_C31C\\VANTREL0001 (USB Input Device): ";

void SetText(HKEY key, const wchar_t* name, const wchar_t* value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
}

std::string FileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::erase(text, '\r');
    return text;
}

struct ToolRun {
    bool finished = false;
    DWORD exitCode = 0;
    std::string out;
    std::string err;
};

bool RunsAsAdministrator() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    BOOL member = FALSE;
    if (AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                 DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        CheckTokenMembership(nullptr, administrators, &member);
        FreeSid(administrators);
    }
    return member != FALSE;
}

class DevconUnderWine : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        for (const RegistryDevice& device : kDevices) {
            HKEY key = nullptr;
            ASSERT_EQ(
                RegCreateKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kEnum) + device.key).c_str(), 0,
                                nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                ERROR_SUCCESS);
            SetText(key, L"ClassGUID", device.classGuid);
            SetText(key, L"DeviceDesc", device.description);
            RegCloseKey(key);
        }
    }

    static void TearDownTestSuite() {
        for (const RegistryDevice& device : kDevices) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, (std::wstring(kEnum) + device.key).c_str());
        }
    }

    Sandbox sandbox;

    struct StartedTool {
        PROCESS_INFORMATION process{};
        fs::path out;
        fs::path err;
    };

    // Starts the built tool with its output and errors in files of its own, and `lockWaitMs`
    // as VANTREL_DEVCON_LOCK_WAIT_MS.
    StartedTool StartTool(const std::wstring& arguments, const wchar_t* lockWaitMs = L"") {
        const std::wstring run = std::to_wstring(++runs_);
        StartedTool started{
            {}, sandbox.root / (L"out" + run + L".txt"), sandbox.root / (L"err" + run + L".txt")};
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        const auto create = [&](const fs::path& path) {
            return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        };
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = create(started.out);
        startup.hStdError = create(started.err);
        const fs::path exe = FromBuildPath(DEVCON_EXE);
        std::wstring commandLine = L"devcon.exe " + arguments;
        SetEnvironmentVariableW(L"VANTREL_DEVCON_LOCK_WAIT_MS", lockWaitMs);
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                            CREATE_NO_WINDOW, nullptr, sandbox.root.c_str(), &startup,
                            &started.process)) {
            ADD_FAILURE() << "CreateProcessW: error " << GetLastError();
        }
        SetEnvironmentVariableW(L"VANTREL_DEVCON_LOCK_WAIT_MS", nullptr);
        CloseHandle(startup.hStdOutput);
        CloseHandle(startup.hStdError);
        return started;
    }

    // Waits at most 30 s for the started tool and collects what it printed.
    static ToolRun FinishTool(const StartedTool& started) {
        ToolRun run;
        const HANDLE process = started.process.hProcess;
        if (process == nullptr) {
            return run;
        }
        run.finished = WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
        if (!run.finished) {
            TerminateProcess(process, 1);
        }
        GetExitCodeProcess(process, &run.exitCode);
        CloseHandle(started.process.hThread);
        CloseHandle(process);
        run.out = FileText(started.out);
        run.err = FileText(started.err);
        return run;
    }

    ToolRun RunTool(const std::wstring& arguments, const wchar_t* lockWaitMs = L"") {
        return FinishTool(StartTool(arguments, lockWaitMs));
    }

  private:
    int runs_ = 0;
};

TEST_F(DevconUnderWine, StatusListsTheUsbDevicesAndNotTheHostController) {
    const ToolRun run = RunTool(L"status @USB\\*");

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_NE(run.out.find(kRootHubLine), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(kKeyboardLine), std::string::npos) << run.out;
    // Only USB\ devices, however many Wine itself has, then their count.
    std::istringstream lines(run.out);
    int devices = 0;
    std::string line;
    while (std::getline(lines, line) && line.starts_with("USB\\")) {
        ++devices;
    }
    EXPECT_EQ(line, std::to_string(devices) + " matching device(s) found.") << run.out;
    EXPECT_EQ(run.out.find("PCI\\"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "");
}

TEST_F(DevconUnderWine, ABadCommandLineExitsThreeWithTheUsage) {
    for (const wchar_t* arguments : {L"", L"disable", L"restart @USB\\*", L"disable @PCI\\*"}) {
        const ToolRun run = RunTool(arguments);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 3u) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("Usage: devcon.exe enable|disable|status @USB\\*\n"))
            << run.err;
        EXPECT_NE(run.err.find("1 restart Windows to finish"), std::string::npos);
    }
}

// Wine cannot switch devices: the tool names the root hub it could not switch off and why, and
// exits 2 rather than crash. Without administrator rights it would switch nothing at all.
TEST_F(DevconUnderWine, DisableFailsCleanlyNamingTheRootHub) {
    const ToolRun run = RunTool(L"disable @USB\\*");

    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2u) << run.out << run.err;
    if (RunsAsAdministrator()) {
        EXPECT_EQ(run.out, "0 device(s) disabled.\n");
        EXPECT_NE(run.err.find("devcon.exe: USB\\ROOT_HUB30\\4&VANTREL&0&0: cannot disable it: "
                               "CM_Disable_DevNode: "),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find("VID_046D"), std::string::npos) << run.err;
    } else {
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("needs administrator rights"), std::string::npos) << run.err;
    }
    EXPECT_NE(run.err.find("devcon.exe: to fix: "), std::string::npos) << run.err;
}

// A copy that holds the switching lock holds up an enable until it lets go; past its bound a
// disable gives up and says so on standard error; a mutex abandoned by a copy that ended is free.
TEST_F(DevconUnderWine, EnableWaitsForTheCopyThatHoldsTheSwitchingLock) {
    auto held = std::make_unique<MutexLock>();
    ASSERT_EQ(held->TryTake(), SwitchingLock::Attempt::Taken);
    std::printf("%s\n", held->Description().c_str());

    const StartedTool enable = StartTool(L"enable @USB\\*");
    EXPECT_EQ(WaitForSingleObject(enable.process.hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT))
        << "enable did not wait";
    held.reset();
    const ToolRun waited = FinishTool(enable);
    ASSERT_TRUE(waited.finished);
    EXPECT_EQ(waited.err.find("waited"), std::string::npos) << waited.err;

    held = std::make_unique<MutexLock>();
    ASSERT_EQ(held->TryTake(), SwitchingLock::Attempt::Taken);
    const ToolRun bounded = RunTool(L"disable @USB\\*", L"200");
    ASSERT_TRUE(bounded.finished);
    EXPECT_EQ(bounded.exitCode, 2u);
    EXPECT_TRUE(
        bounded.err.starts_with("devcon.exe: did not switch USB devices off: another "
                                "program has been switching them for 0."))
        << bounded.err;
    EXPECT_NE(bounded.err.find(held->Description()), std::string::npos) << bounded.err;
    held.reset();

    // Taken by a thread that ends without releasing it.
    const HANDLE holder = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            (new MutexLock)->TryTake();  // left open: the mutex lives on
            return 0;
        },
        nullptr, 0, nullptr);
    WaitForSingleObject(holder, INFINITE);
    CloseHandle(holder);
    const ToolRun abandoned = RunTool(L"enable @USB\\*");
    ASSERT_TRUE(abandoned.finished);
    EXPECT_EQ(abandoned.err.find("waited"), std::string::npos) << abandoned.err;
}

// Says whose it is and what it does, and runs with its caller's rights.
TEST(DevconFile, CarriesItsVersionAndAnAsInvokerManifest) {
    const std::wstring exe = FromBuildPath(DEVCON_EXE).wstring();
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> version(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, version.data()));
    const auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        return VerQueryValueW(version.data(), path.c_str(), reinterpret_cast<void**>(&value),
                              &length)
                   ? Utf8(value)
                   : std::string();
    };
    EXPECT_EQ(text(L"CompanyName"), "The Vantrel developers");
    EXPECT_EQ(text(L"OriginalFilename"), "devcon.exe");
    EXPECT_EQ(text(L"FileDescription").find("Vantrel's device switcher"), 0u);
    EXPECT_EQ(text(L"ProductVersion"), VANTREL_VERSION);

    const HMODULE file = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(file, nullptr);
    const HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no application manifest";
    const auto* manifest = static_cast<const char*>(LockResource(LoadResource(file, found)));
    EXPECT_NE(std::string(manifest, SizeofResource(file, found))
                  .find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
              std::string::npos);
    FreeLibrary(file);
}

}  // namespace
