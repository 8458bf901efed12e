#include "WindowsReadiness.h"

#include <windows.h>

#include <string>

#include "devcon/windows/WideText.h"
#include "launcher/DevconPath.h"

namespace {

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
    const std::optional<ToolPath> devcon = DevconPath();
    if (!devcon) {
        return {Cause::FolderTooDeep, {}, {}, 0};
    }
    const DWORD attributes = GetFileAttributesW(devcon->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return {Cause::ToolMissing, Utf8(ToolFolder(*devcon)), {}, 0};
    }
    if (!IsElevated()) {
        return {Cause::NotElevated, {}, {}, 0};
    }
    return {};
}
