// The real vantrel.exe, run by this test under Wine from a program folder whose name has Cyrillic
// and CJK letters, with another current directory that holds a decoy devcon.exe. Run with
// --expected-dpi=N under a Wine whose system DPI is N.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "common/windows/WideText.h"
#include "panel/Form1.h"
#include "tests/support/win32/Sandbox.h"
#include "window/ControlTable.h"
#include "window/win32/MainWindow.h"

namespace fs = std::filesystem;

namespace {

int expectedDpi = 96;

struct Design {
    int dpi;
    int clientWidth;
    int clientHeight;
    int pictureWidth;
    int pictureHeight;
};
constexpr Design kDesigns[] = {{96, 530, 169, 272, 118}, {120, 663, 211, 340, 148}};

// A shown top-level window of the process, of the class asked for.
struct FindRequest {
    DWORD processId;
    const wchar_t* windowClass;
    HWND found = nullptr;
};

BOOL CALLBACK MatchShownWindow(HWND window, LPARAM lParam) {
    auto* request = reinterpret_cast<FindRequest*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t windowClass[64] = {};
    GetClassNameW(window, windowClass, 64);
    if (processId == request->processId && std::wcscmp(windowClass, request->windowClass) == 0 &&
        IsWindowVisible(window)) {
        request->found = window;
        return FALSE;
    }
    return TRUE;
}

// A message box is a dialog, of class "#32770".
constexpr const wchar_t* kMessageBoxClass = L"#32770";

// The texts of a window's static controls, one a line: what a message box says.
BOOL CALLBACK CollectStaticText(HWND child, LPARAM lParam) {
    wchar_t windowClass[64] = {};
    GetClassNameW(child, windowClass, 64);
    if (_wcsicmp(windowClass, L"Static") == 0) {
        wchar_t text[2048] = {};
        GetWindowTextW(child, text, 2048);
        *reinterpret_cast<std::wstring*>(lParam) += std::wstring(text) + L"\n";
    }
    return TRUE;
}

class ProgramTest : public ::testing::Test {
  protected:
    Sandbox sandbox;
    PROCESS_INFORMATION process{};
    HWND main = nullptr;

    void SetUp() override {
        fs::copy_file(FromBuildPath(VANTREL_EXE), sandbox.programFolder / L"vantrel.exe");
        fs::copy_file(FromBuildPath(RECORDING_DEVCON), sandbox.programFolder / L"devcon.exe");
        fs::copy_file(FromBuildPath(RECORDING_DEVCON), sandbox.elsewhere / L"devcon.exe");
        process = StartProgram(sandbox.programFolder / L"vantrel.exe", sandbox.elsewhere);
        // Wine gives every process a full administrator token, so vantrel.exe starts here although
        // it asks for one; on Windows this test runs elevated too, as it has the same manifest.
        ASSERT_NE(process.hProcess, nullptr)
            << "vantrel.exe did not start (error " << GetLastError() << ")";
        FindRequest request{process.dwProcessId, kMainWindowClass};
        for (int i = 0; i < 600 && !request.found; ++i) {
            EnumWindows(MatchShownWindow, reinterpret_cast<LPARAM>(&request));
            Sleep(request.found ? 0 : 50);
        }
        main = request.found;
        ASSERT_NE(main, nullptr) << "no window within 30 s";
    }

    void TearDown() override {
        if (!process.hProcess) {
            return;
        }
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
            PostMessageW(main, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
                TerminateProcess(process.hProcess, 1);
            }
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    HWND Item(std::string_view name) const { return GetDlgItem(main, ControlIdOf(name)); }

    static std::wstring TextOf(HWND window) {
        wchar_t text[256] = {};
        SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
        return text;
    }

    std::string ProgramFolder() const { return Utf8(sandbox.programFolder.wstring()); }
};

TEST_F(ProgramTest, ClientAreaAndPictureHaveTheDesignSizeAtTheSystemDpi) {
    const Design* design = std::find_if(std::begin(kDesigns), std::end(kDesigns),
                                        [](const Design& d) { return d.dpi == expectedDpi; });
    ASSERT_NE(design, std::end(kDesigns)) << expectedDpi;
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, design->clientWidth);
    EXPECT_EQ(client.bottom, design->clientHeight);
    RECT picture;
    GetWindowRect(Item("Image1"), &picture);
    EXPECT_EQ(picture.right - picture.left, design->pictureWidth);
    EXPECT_EQ(picture.bottom - picture.top, design->pictureHeight);
}

TEST_F(ProgramTest, ShowsTheDesignsCaptions) {
    EXPECT_EQ(TextOf(main), L"Vantrel");
    for (const ControlSpec& control : kControls) {
        EXPECT_EQ(TextOf(Item(control.name)), Utf16(control.caption)) << control.name;
    }
}

TEST_F(ProgramTest, FocusStartsOnCommand1AndTabFollowsTheTabOrder) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    for (int i = 0; i < 100 && gui.hwndFocus == nullptr; ++i) {
        GetGUIThreadInfo(process.dwThreadId, &gui);
        Sleep(gui.hwndFocus ? 0 : 50);
    }
    EXPECT_EQ(gui.hwndFocus, Item("Command1"));

    const auto order = TabOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(GetNextDlgTabItem(main, Item(order[i]->name), FALSE),
                  Item(order[(i + 1) % order.size()]->name))
            << "after " << order[i]->name;
    }
}

TEST_F(ProgramTest, EachButtonLaunchesDevconFromTheProgramFolderHidden) {
    // Off straight after On stops the burst before its first tick; Restart then runs one.
    SendMessageW(Item("Command1"), BM_CLICK, 0, 0);
    SendMessageW(Item("Command2"), BM_CLICK, 0, 0);
    SendMessageW(Item("Command3"), BM_CLICK, 0, 0);
    // On's enables at once, a disable each for Off and Restart, then Restart's burst.
    const int enables = Form1::kEnablesAtOnce + Form1::kBurstTicks;
    sandbox.WaitForRecords(enables + 2, 30000);
    Sleep(1500);  // room for any launch too many to show up
    const std::vector<Record> records = sandbox.Records();

    int enabled = 0;
    int disables = 0;
    const std::string tool = ProgramFolder() + "\\devcon.exe";
    for (Record record : records) {
        enabled += record["argv"] == tool + "|enable|@USB\\*";
        disables += record["argv"] == tool + "|disable|@USB\\*";
        EXPECT_EQ(record["exe"], tool);
        EXPECT_EQ(record["cwd"], ProgramFolder());
        EXPECT_EQ(record["show"], "hidden");
    }
    EXPECT_EQ(enabled, enables);
    EXPECT_EQ(disables, 2);
    EXPECT_EQ(records.size(), static_cast<std::size_t>(enables + 2));
}

TEST_F(ProgramTest, ClosingTheWindowEndsTheProgramWithExitCodeZero) {
    PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(sandbox.Records().empty());
}

// The Wine session's root hub (tests/wine/wine-session.sh), the only USB device Wine lists.
constexpr const wchar_t* kSessionHub =
    L"System\\CurrentControlSet\\Enum\\USB\\ROOT_HUB30\\4&WINESESSION&0&0";

// Puts the session's root hub back as it was, however the case ends.
struct SessionHubPutBack {
    ~SessionHubPutBack() {
        HKEY hub = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSessionHub, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &hub, nullptr);
        for (const auto& [name, value] :
             {std::pair{L"ClassGUID", L"{36fc9e60-c465-11cf-8056-444553540000}"},
              std::pair{L"DeviceDesc", L"USB Root Hub (USB 3.0)"}}) {
            RegSetValueExW(hub, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(hub);
    }
};

// With no devcon.exe beside it, or no USB device to switch, the program says so once, in a
// message box that names the cause and the fix, and the window behind it still works and closes.
TEST(ProgramNotReady, ShowsAMessageBoxNamingTheCause) {
    for (const bool usb : {true, false}) {
        Sandbox sandbox;
        fs::copy_file(FromBuildPath(VANTREL_EXE), sandbox.programFolder / L"vantrel.exe");
        std::optional<SessionHubPutBack> putBack;
        if (!usb) {
            fs::copy_file(FromBuildPath(RECORDING_DEVCON), sandbox.programFolder / L"devcon.exe");
            putBack.emplace();
            ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSessionHub), ERROR_SUCCESS);
        }
        PROCESS_INFORMATION process =
            StartProgram(sandbox.programFolder / L"vantrel.exe", sandbox.elsewhere);
        ASSERT_NE(process.hProcess, nullptr);
        FindRequest main{process.dwProcessId, kMainWindowClass};
        FindRequest notice{process.dwProcessId, kMessageBoxClass};
        for (int i = 0; i < 600 && !(main.found && notice.found); ++i) {
            EnumWindows(MatchShownWindow, reinterpret_cast<LPARAM>(&main));
            EnumWindows(MatchShownWindow, reinterpret_cast<LPARAM>(&notice));
            Sleep(main.found && notice.found ? 0 : 50);
        }
        ASSERT_NE(main.found, nullptr) << "no window within 30 s";
        ASSERT_NE(notice.found, nullptr) << "no message box within 30 s";

        wchar_t title[256] = {};
        GetWindowTextW(notice.found, title, 256);
        EXPECT_EQ(Utf8(title), "Vantrel: USB devices cannot be switched");
        std::wstring text;
        EnumChildWindows(notice.found, CollectStaticText, reinterpret_cast<LPARAM>(&text));
        std::cout << "message box: " << Utf8(text) << "\n";
        const std::wstring says =
            usb ? L"There is no devcon.exe beside vantrel.exe in " + sandbox.programFolder.wstring()
                : L"This machine has no USB root hub";
        EXPECT_NE(text.find(says), std::wstring::npos) << Utf8(text);
        EXPECT_TRUE(IsWindowEnabled(main.found));

        PostMessageW(main.found, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        GetExitCodeProcess(process.hProcess, &exitCode);
        EXPECT_EQ(exitCode, 0u);
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// The shown windows of the process, of the class asked for.
BOOL CALLBACK CountShownWindows(HWND window, LPARAM lParam) {
    auto* request = reinterpret_cast<std::pair<FindRequest, int>*>(lParam);
    FindRequest one = request->first;
    MatchShownWindow(window, reinterpret_cast<LPARAM>(&one));
    request->second += one.found != nullptr;
    return TRUE;
}

// What devcon.exe wrote on its standard error, or its exit code alone, shows in one message box
// titled for the verb; a second failure adds to it.
TEST(ProgramWithFailingDevcon, ShowsWhatTheToolSaidInOneMessageBox) {
    const struct {
        const wchar_t* errorOutput;
        const wchar_t* exitCode;
        std::wstring shows;
    } cases[] = {
        {L"devcon.exe: USB\\ROOT_HUB30\\4&1A2B3C4D&0&0 (USB Root Hub (USB 3.0)): cannot disable: "
         L"CR_REMOVE_VETOED (0x17): a program is using a device below it; close files on USB "
         L"drives and try again\r\n",
         L"2",
         L"devcon.exe: USB\\ROOT_HUB30\\4&1A2B3C4D&0&0 (USB Root Hub (USB 3.0)): cannot disable: "
         L"CR_REMOVE_VETOED (0x17): a program is using a device below it; close files on USB "
         L"drives and try again (2 times)"},
        {L"", L"1",
         L"Windows could not switch USB devices off without restarting, and a restart switches "
         L"every device on again, so they stay on. Close the programs that use USB devices, such "
         L"as files open on a USB drive, and try again. (2 times)"},
    };
    for (const auto& run : cases) {
        Sandbox sandbox;
        fs::copy_file(FromBuildPath(VANTREL_EXE), sandbox.programFolder / L"vantrel.exe");
        fs::copy_file(FromBuildPath(RECORDING_DEVCON), sandbox.programFolder / L"devcon.exe");
        SetEnvironmentVariableW(L"DEVCON_STDERR", run.errorOutput);
        SetEnvironmentVariableW(L"DEVCON_EXIT_CODE", run.exitCode);
        PROCESS_INFORMATION process =
            StartProgram(sandbox.programFolder / L"vantrel.exe", sandbox.elsewhere);
        SetEnvironmentVariableW(L"DEVCON_STDERR", nullptr);
        SetEnvironmentVariableW(L"DEVCON_EXIT_CODE", nullptr);
        ASSERT_NE(process.hProcess, nullptr);
        FindRequest main{process.dwProcessId, kMainWindowClass};
        for (int i = 0; i < 600 && !main.found; ++i) {
            EnumWindows(MatchShownWindow, reinterpret_cast<LPARAM>(&main));
            Sleep(main.found ? 0 : 50);
        }
        ASSERT_NE(main.found, nullptr) << "no window within 30 s";

        // USB Off, twice: one disable each.
        for (int click = 0; click < 2; ++click) {
            SendMessageW(GetDlgItem(main.found, ControlIdOf("Command2")), BM_CLICK, 0, 0);
            sandbox.WaitForRecords(click + 1, 30000);
        }
        FindRequest notice{process.dwProcessId, kMessageBoxClass};
        std::wstring text;
        for (int i = 0; i < 600 && text.find(run.shows) == std::wstring::npos; ++i) {
            Sleep(50);
            notice.found = nullptr;
            EnumWindows(MatchShownWindow, reinterpret_cast<LPARAM>(&notice));
            text.clear();
            if (notice.found) {
                EnumChildWindows(notice.found, CollectStaticText, reinterpret_cast<LPARAM>(&text));
            }
        }
        ASSERT_NE(notice.found, nullptr) << "no message box within 30 s";
        std::cout << "message box: " << Utf8(text) << "\n";
        EXPECT_NE(text.find(run.shows), std::wstring::npos) << Utf8(text);
        wchar_t title[256] = {};
        GetWindowTextW(notice.found, title, 256);
        EXPECT_EQ(Utf8(title), "Vantrel: switching USB devices off failed");
        std::pair<FindRequest, int> boxes{{process.dwProcessId, kMessageBoxClass}, 0};
        EnumWindows(CountShownWindows, reinterpret_cast<LPARAM>(&boxes));
        EXPECT_EQ(boxes.second, 1);
        EXPECT_TRUE(IsWindowEnabled(main.found));

        PostMessageW(main.found, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// Asks for an administrator at start (one prompt, inherited by every launched tool), keeps common
// controls 6 and per-monitor DPI awareness, and carries the project's version.
TEST(ProgramFile, CarriesItsVersionAndItsManifest) {
    const std::wstring exe = FromBuildPath(VANTREL_EXE).wstring();
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> version(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, version.data()));
    wchar_t* product = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\040904B0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_EQ(std::wstring(product), L"Vantrel");
    wchar_t* productVersion = nullptr;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                               reinterpret_cast<void**>(&productVersion), &length));
    EXPECT_EQ(Utf8(productVersion), VANTREL_VERSION);

    const HMODULE file = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(file, nullptr);
    const HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr) << "no application manifest";
    const auto* text = static_cast<const char*>(LockResource(LoadResource(file, found)));
    const std::string manifest(text, SizeofResource(file, found));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"requireAdministrator\" "
                            "uiAccess=\"false\"/>"),
              std::string::npos);
    EXPECT_NE(manifest.find("name=\"Vantrel\" version=\"" VANTREL_VERSION ".0\""),
              std::string::npos)
        << manifest;
    FreeLibrary(file);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--expected-dpi=", 15) == 0) {
            expectedDpi = std::atoi(argv[i] + 15);
        }
    }
    return RUN_ALL_TESTS();
}
