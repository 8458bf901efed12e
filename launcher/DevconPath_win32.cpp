#include <windows.h>

#include <string>

#include "launcher/DevconPath.h"

std::optional<ToolPath> DevconPath() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    const std::wstring path(buffer, length);
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return std::nullopt;
    }
    // Keeps the backslash, so that "C:\vantrel.exe" gives "C:\devcon.exe", not "C:devcon.exe".
    return path.substr(0, slash + 1) + L"devcon.exe";
}

std::wstring ToolFolder(const std::wstring& tool) {
    std::wstring folder = tool.substr(0, tool.find_last_of(L"\\/"));
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';
    }
    return folder;
}
