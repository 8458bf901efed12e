#include <windows.h>

#include <shellapi.h>

#include <string>
#include <string_view>

#include "RunDevcon.h"

namespace {

constexpr DWORD kLongestPath = 32768;

// The folder of the running executable, asked afresh each time: never the current directory.
// Wide throughout, so that a folder name outside the ANSI code page reaches the shell intact.
std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= kLongestPath) {
            return {};
        }
        path.resize(path.size() * 2);  // truncated: the path is longer than MAX_PATH
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return {};
    }
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';  // "C:" alone would mean the current directory on drive C
    }
    return folder;
}

std::wstring Widen(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

}  // namespace

void RunDevcon(DeviceVerb verb) {
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) {
        return;
    }
    // The full path: given a bare name, the shell would search the path, App Paths and the current
    // directory when the program folder has none, and run whatever devcon.exe it found there.
    const std::wstring tool = folder + (folder.back() == L'\\' ? L"" : L"\\") + L"devcon.exe";
    const std::wstring parameters = Widen(DevconParameters(verb));
    ShellExecuteW(nullptr, L"open", tool.c_str(), parameters.c_str(), folder.c_str(), SW_HIDE);
}
