#include "SetupApiDevices.h"

#include <setupapi.h>

#include <string>
#include <vector>

#include "Utf8.h"

namespace {

constexpr const char* kFixVetoed =
    "close what uses a device below it (files open on a USB drive, say), then try again";
constexpr const char* kFixNotDisableable =
    "Windows keeps this device running; Device Manager shows why";
constexpr const char* kFixOther =
    "Device Manager shows the device's state and problem; try again, or restart Windows";
constexpr const char* kFixWindowsOnly = "switch devices with devcon.exe on Windows itself";

bool IsGone(CONFIGRET result) {
    return result == CR_NO_SUCH_DEVNODE || result == CR_INVALID_DEVNODE;
}

PnpAnswer Refused(std::string error, std::string fix) {
    return {PnpAnswer::Refused, std::move(error), std::move(fix)};
}

std::string FixFor(CONFIGRET result) {
    switch (result) {
        case CR_ACCESS_DENIED:
            return std::string(kFixRunAsAdministrator);
        case CR_REMOVE_VETOED:
            return kFixVetoed;
        case CR_NOT_DISABLEABLE:
            return kFixNotDisableable;
        default:
            return kFixOther;
    }
}

// A text property of the device from the registry; empty when it has none.
std::wstring RegistryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    std::vector<wchar_t> buffer(256);
    DWORD type = 0;
    DWORD size = 0;
    while (!SetupDiGetDeviceRegistryPropertyW(
        set, &device, property, &type, reinterpret_cast<BYTE*>(buffer.data()),
        static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return {};
        }
        buffer.resize(size / sizeof(wchar_t) + 1);
    }
    if (type != REG_SZ) {
        return {};
    }
    return std::wstring(buffer.data());  // up to the terminating zero
}

std::wstring InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
    std::vector<wchar_t> buffer(MAX_DEVICE_ID_LEN + 1);
    if (!SetupDiGetDeviceInstanceIdW(set, &device, buffer.data(), static_cast<DWORD>(buffer.size()),
                                     nullptr)) {
        return {};
    }
    return std::wstring(buffer.data());
}

}  // namespace

PnpListing SetupApiDevices::List() {
    PnpListing listing;
    handles_.clear();
    const HDEVINFO set =
        SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        listing.answer =
            Refused("SetupDiGetClassDevsW: error " + std::to_string(GetLastError()), kFixOther);
        return listing;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
        const std::string id = Utf8(InstanceId(set, device));
        if (id.empty()) {
            continue;
        }
        std::wstring description = RegistryText(set, device, SPDRP_FRIENDLYNAME);
        if (description.empty()) {
            description = RegistryText(set, device, SPDRP_DEVICEDESC);
        }
        listing.devices.push_back({id, Utf8(description)});
        handles_[id] = device.DevInst;
    }
    SetupDiDestroyDeviceInfoList(set);
    return listing;
}

PnpState SetupApiDevices::State(const PnpDevice& device) {
    PnpState state;
    if (!configManager_.Missing().empty()) {
        state.answer = Refused(configManager_.Missing(), kFixOther);
        return state;
    }
    const auto handle = handles_.find(device.instanceId);
    if (handle == handles_.end()) {
        state.kind = PnpState::Gone;
        return state;
    }
    ULONG status = 0;
    ULONG problem = 0;
    const CONFIGRET result = configManager_.Status(handle->second, status, problem);
    if (IsGone(result)) {
        state.kind = PnpState::Gone;
    } else if (result != CR_SUCCESS) {
        state.answer = Refused("CM_Get_DevNode_Status: " + ConfigRetText(result), FixFor(result));
    } else if ((status & DN_HAS_PROBLEM) != 0) {
        state.kind = problem == CM_PROB_DISABLED ? PnpState::Disabled : PnpState::Problem;
        state.problem = problem;
    } else {
        state.kind = (status & DN_STARTED) != 0 ? PnpState::Running : PnpState::NotStarted;
    }
    state.restartNeeded = result == CR_SUCCESS &&
                          ((status & DN_NEED_RESTART) != 0 ||
                           ((status & DN_HAS_PROBLEM) != 0 && problem == CM_PROB_NEED_RESTART));
    return state;
}

PnpAnswer SetupApiDevices::Disable(const PnpDevice& device) {
    return Switch(device, false);
}

PnpAnswer SetupApiDevices::Enable(const PnpDevice& device) {
    return Switch(device, true);
}

PnpAnswer SetupApiDevices::Switch(const PnpDevice& device, bool on) {
    const std::string call = on ? "CM_Enable_DevNode" : "CM_Disable_DevNode";
    if (!configManager_.Missing().empty()) {
        return Refused(configManager_.Missing(), kFixOther);
    }
    if (!configManager_.CannotSwitch().empty()) {
        return Refused(call + ": " + configManager_.CannotSwitch(), kFixWindowsOnly);
    }
    const auto handle = handles_.find(device.instanceId);
    if (handle == handles_.end()) {
        return {PnpAnswer::Gone, {}, {}};
    }
    const CONFIGRET result =
        on ? configManager_.Enable(handle->second) : configManager_.Disable(handle->second);
    if (IsGone(result)) {
        return {PnpAnswer::Gone, {}, {}};
    }
    if (result != CR_SUCCESS) {
        return Refused(call + ": " + ConfigRetText(result), FixFor(result));
    }
    return {};
}

bool SetupApiDevices::CallerIsAdministrator() {
    // Membership of the token actually in use: under User Account Control an administrator's
    // unelevated token holds the Administrators group for deny only, and does not count.
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) {
        member = FALSE;
    }
    FreeSid(administrators);
    return member != FALSE;
}
