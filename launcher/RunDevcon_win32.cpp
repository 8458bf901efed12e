#include <windows.h>

#include <shellapi.h>

#include <string>
#include <string_view>

#include "RunDevcon.h"

namespace {

// The folder of the running executable, asked afresh each time: never the current directory.
// Wide throughout, so that a folder name outside the ANSI code page reaches the shell intact.
// The program does not opt in to long paths: a path of MAX_PATH characters or more gives nothing,
// never a cut-off path, which would name another folder.
std::wstring ProgramFolder() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    const std::wstring path(buffer, length);
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
