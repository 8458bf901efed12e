#include "window/readiness/WindowsReadiness.h"

#include <windows.h>

#include <setupapi.h>

#include <string>

#include "common/windows/WideText.h"
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

// Whether Windows lists a USB\ device: the topmost of any is a root that devcon.exe switches (a
// root hub of Windows' own, or a device on another driver's). A list it cannot make counts as one.
bool HasUsbDevice() {
    const HDEVINFO set =
        SetupDiGetClassDevsW(nullptr, L"USB", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return true;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    const bool found = SetupDiEnumDeviceInfo(set, 0, &device) != FALSE;
    SetupDiDestroyDeviceInfoList(set);
    return found;
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
    if (!HasUsbDevice()) {
        return {Cause::NoRootHub, {}, {}, 0};
    }
    if (!IsElevated()) {
        return {Cause::NotElevated, {}, {}, 0};
    }
    return {};
}
