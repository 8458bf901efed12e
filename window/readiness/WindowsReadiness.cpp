#include "WindowsReadiness.h"

#include <windows.h>

#include <string>

#include "launcher/DevconPath.h"

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                        nullptr, nullptr);
    return result;
}

bool IsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool known =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
    CloseHandle(token);
    return known && elevation.TokenIsElevated != 0;
}

}  // namespace

Readiness CheckReadiness() {
    const std::optional<std::filesystem::path> devcon = DevconPath();
    if (!devcon) {
        return {Cause::FolderTooDeep, {}, {}, 0};
    }
    const DWORD attributes = GetFileAttributesW(devcon->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {Cause::ToolMissing, Utf8(devcon->parent_path().native()), {}, 0};
    }
    if (!IsElevated()) {
        return {Cause::NotElevated, {}, {}, 0};
    }
    return {};
}
