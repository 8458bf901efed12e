#include "devcon/windows/SetupApiDevices.h"

#include <setupapi.h>

#include <string>
#include <vector>

#include "common/windows/WideText.h"
#include "devcon/windows/ConfigRet.h"

namespace {

constexpr std::string_view kFixWindowsOnly = "switch devices with devcon.exe on Windows itself";

PnpAnswer Refused(std::string error, std::string_view fix) {
    return {PnpAnswer::Refused, std::move(error), std::string(fix)};
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
    const HDEVINFO set =
        SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        listing.answer = Refused("SetupDiGetClassDevsW: error " + std::to_string(GetLastError()),
                                 kFixSeeDeviceManager);
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
        std::optional<std::string> parentId;
        if (configManager_.Missing().empty()) {
            if (const auto parent = configManager_.ParentId(device.DevInst)) {
                parentId = Utf8(*parent);
            }
        }
        listing.devices.push_back({id, Utf8(description), parentId});
    }
    SetupDiDestroyDeviceInfoList(set);
    return listing;
}

template <typename Use>
PnpAnswer SetupApiDevices::WithDevice(const PnpDevice& device, Use use) const {
    if (!configManager_.Missing().empty()) {
        return Refused(configManager_.Missing(), kFixSeeDeviceManager);
    }
    const std::wstring id = Utf16(device.instanceId);
    if (configManager_.CanLocate()) {
        DEVINST handle = 0;
        const PnpAnswer located =
            AnswerFor("CM_Locate_DevNodeW", configManager_.Locate(id, handle));
        if (located.kind == PnpAnswer::Done) {
            use(handle);
        }
        return located;
    }
    // Under Wine, through SetupAPI, in a list of this one device that lives for the call.
    const HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) {
        return Refused("SetupDiCreateDeviceInfoList: error " + std::to_string(GetLastError()),
                       kFixSeeDeviceManager);
    }
    SP_DEVINFO_DATA found{};
    found.cbSize = sizeof found;
    PnpAnswer located;
    if (SetupDiOpenDeviceInfoW(set, id.c_str(), nullptr, 0, &found)) {
        use(found.DevInst);
    } else if (GetLastError() == ERROR_NO_SUCH_DEVINST) {
        located.kind = PnpAnswer::Gone;
    } else {
        located = Refused("SetupDiOpenDeviceInfoW: error " + std::to_string(GetLastError()),
                          kFixSeeDeviceManager);
    }
    SetupDiDestroyDeviceInfoList(set);
    return located;
}

PnpState SetupApiDevices::State(const PnpDevice& device) {
    PnpState state;
    const PnpAnswer located = WithDevice(device, [&](DEVINST handle) { state = StateOf(handle); });
    if (located.kind == PnpAnswer::Gone) {
        state.kind = PnpState::Gone;
    } else if (located.kind == PnpAnswer::Refused) {
        state.kind = PnpState::Unreadable;
        state.answer = located;
    }
    return state;
}

PnpState SetupApiDevices::StateOf(DEVINST handle) const {
    PnpState state;
    ULONG status = 0;
    ULONG problem = 0;
    const CONFIGRET result = configManager_.Status(handle, status, problem);
    state.answer = AnswerFor("CM_Get_DevNode_Status", result);
    if (state.answer.kind == PnpAnswer::Gone) {
        state.kind = PnpState::Gone;
    } else if (state.answer.kind == PnpAnswer::Refused) {
        state.kind = PnpState::Unreadable;
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
    if (configManager_.Missing().empty() && !configManager_.CannotSwitch().empty()) {
        return Refused(call + ": " + configManager_.CannotSwitch(), kFixWindowsOnly);
    }
    PnpAnswer answer;
    const PnpAnswer located = WithDevice(device, [&](DEVINST handle) {
        answer =
            AnswerFor(call, on ? configManager_.Enable(handle) : configManager_.Disable(handle));
    });
    return located.kind == PnpAnswer::Done ? answer : located;
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
