#include "ConfigManager.h"

#include <cstdio>

namespace {

// Wine's Configuration Manager has CM_Disable_DevNode and CM_Enable_DevNode as stubs that end
// the calling process, and Wine cannot switch devices anyway: there, the tool says so instead.
// Wine's ntdll exports wine_get_version; Windows' does not.
bool RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

template <typename Call>
Call Find(HMODULE library, const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

ConfigManager::ConfigManager() {
    library_ = LoadLibraryExW(L"cfgmgr32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (library_ == nullptr) {
        missing_ = "cannot load cfgmgr32.dll from the system folder: error " +
                   std::to_string(GetLastError());
        return;
    }
    status_ = Find<StatusCall>(library_, "CM_Get_DevNode_Status");
    disable_ = Find<SwitchCall>(library_, "CM_Disable_DevNode");
    enable_ = Find<SwitchCall>(library_, "CM_Enable_DevNode");
    if (status_ == nullptr || disable_ == nullptr || enable_ == nullptr) {
        missing_ =
            "cfgmgr32.dll lacks CM_Get_DevNode_Status, CM_Disable_DevNode or "
            "CM_Enable_DevNode";
    }
    if (RunsUnderWine()) {
        cannotSwitch_ = "Wine does not implement it, and cannot switch devices";
    }
}

ConfigManager::~ConfigManager() {
    if (library_ != nullptr) {
        FreeLibrary(library_);
    }
}

CONFIGRET ConfigManager::Status(DEVINST device, ULONG& status, ULONG& problem) const {
    return status_(&status, &problem, device, 0);
}

CONFIGRET ConfigManager::Disable(DEVINST device) const {
    // No prompt: the tool runs hidden, and a device in use refuses with CR_REMOVE_VETOED.
    return disable_(device, CM_DISABLE_UI_NOT_OK);
}

CONFIGRET ConfigManager::Enable(DEVINST device) const {
    return enable_(device, 0);
}

std::string ConfigRetText(CONFIGRET result) {
    const char* name = nullptr;
    switch (result) {
        case CR_SUCCESS:
            name = "CR_SUCCESS";
            break;
        case CR_FAILURE:
            name = "CR_FAILURE";
            break;
        case CR_INVALID_DEVNODE:
            name = "CR_INVALID_DEVNODE";
            break;
        case CR_NO_SUCH_DEVNODE:
            name = "CR_NO_SUCH_DEVNODE";
            break;
        case CR_REMOVE_VETOED:
            name = "CR_REMOVE_VETOED";
            break;
        case CR_NOT_DISABLEABLE:
            name = "CR_NOT_DISABLEABLE";
            break;
        case CR_ACCESS_DENIED:
            name = "CR_ACCESS_DENIED";
            break;
        case CR_CALL_NOT_IMPLEMENTED:
            name = "CR_CALL_NOT_IMPLEMENTED";
            break;
        default:
            break;
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%02lX", static_cast<unsigned long>(result));
    return name != nullptr ? std::string(name) + " (" + code + ")" : std::string("error ") + code;
}
