// The recording stand-in for devcon.exe on Windows (what it records, and how it is held and made
// to fail: tests/support/DevconRecord.h). Its own fields tell the show command it was given and
// whether it has a console window.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "common/windows/WideText.h"
#include "tests/support/DevconRecord.h"

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[32768];
    const DWORD length = GetEnvironmentVariableW(name, value, 32768);
    return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring{};
}

// Nanoseconds since 1970, comparable with the clock of the Linux side that runs Wine.
long long UnixTimeNs() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const long long ticks = (static_cast<long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - 116444736000000000LL) * 100;
}

std::string ShowCommand() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    if (!(startup.dwFlags & STARTF_USESHOWWINDOW)) {
        return "default";
    }
    return startup.wShowWindow == SW_HIDE ? "hidden" : std::to_string(startup.wShowWindow);
}

// Several copies may record at once: each waits its turn for the file, then appends.
bool Append(const std::wstring& path, const std::string& line) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            if (GetLastError() != ERROR_SHARING_VIOLATION) {
                return false;
            }
            Sleep(5);
            continue;
        }
        DWORD written = 0;
        SetFilePointer(file, 0, nullptr, FILE_END);
        const BOOL ok =
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == line.size();
    }
    return false;
}

}  // namespace

int wmain() {
    const std::wstring release = Environment(L"DEVCON_HOLD");
    if (!release.empty()) {
        devcon_record::WaitForRelease(release);
    }

    wchar_t exe[32768];
    const DWORD exeLength = GetModuleFileNameW(nullptr, exe, 32768);
    wchar_t cwd[32768];
    const DWORD cwdLength = GetCurrentDirectoryW(32768, cwd);
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(Utf8(argv[i]));
    }
    LocalFree(argv);

    const std::string line = devcon_record::Line(
        UnixTimeNs(), Utf8(std::wstring(exe, exeLength)), arguments,
        Utf8(std::wstring(cwd, cwdLength)),
        {{"show", ShowCommand()}, {"console", GetConsoleWindow() == nullptr ? "none" : "shown"}});
    const std::wstring log = Environment(L"DEVCON_LOG");
    if (!Append(log.empty() ? L"devcon.log" : log, line)) {
        return 1;
    }
    const std::string failure = Utf8(Environment(L"DEVCON_STDERR"));
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), failure.data(), static_cast<DWORD>(failure.size()),
              &written, nullptr);
    return _wtoi(Environment(L"DEVCON_EXIT_CODE").c_str());
}
