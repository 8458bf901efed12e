#include "devcon/windows/ConfigManager.h"

#include "common/windows/SystemDlls.h"

namespace {

// Wine's Configuration Manager has CM_Disable_DevNode and CM_Enable_DevNode as stubs that end
// the calling process, and Wine cannot switch devices anyway: there, the tool says so instead.
// Its CM_Locate_DevNodeW is a stub that finds nothing.
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
    library_ = LoadSystemDll(L"cfgmgr32.dll");
    if (library_ == nullptr) {
        missing_ = "cannot load cfgmgr32.dll from the system folder: error " +
                   std::to_string(GetLastError());
        return;
    }
    locate_ = Find<LocateCall>(library_, "CM_Locate_DevNodeW");
    status_ = Find<StatusCall>(library_, "CM_Get_DevNode_Status");
    disable_ = Find<SwitchCall>(library_, "CM_Disable_DevNode");
    enable_ = Find<SwitchCall>(library_, "CM_Enable_DevNode");
    parent_ = Find<ParentCall>(library_, "CM_Get_Parent");
    id_ = Find<IdCall>(library_, "CM_Get_Device_IDW");
    if (locate_ == nullptr || status_ == nullptr || disable_ == nullptr || enable_ == nullptr) {
        missing_ =
            "cfgmgr32.dll lacks CM_Locate_DevNodeW, CM_Get_DevNode_Status, CM_Disable_DevNode or "
            "CM_Enable_DevNode";
    }
    if (RunsUnderWine()) {
        underWine_ = true;
        cannotSwitch_ = "Wine does not implement it, and cannot switch devices";
    }
}

ConfigManager::~ConfigManager() {
    if (library_ != nullptr) {
        FreeLibrary(library_);
    }
}

CONFIGRET ConfigManager::Locate(const std::wstring& instanceId, DEVINST& device) const {
    // Present devices only: one unplugged or removed with its hub is not found.
    std::wstring id = instanceId;
    return locate_(&device, id.data(), CM_LOCATE_DEVNODE_NORMAL);
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

std::optional<std::wstring> ConfigManager::ParentId(DEVINST device) const {
    DEVINST parent = 0;
    wchar_t id[MAX_DEVICE_ID_LEN + 1] = {};
    if (parent_ == nullptr || id_ == nullptr || parent_(&parent, device, 0) != CR_SUCCESS ||
        id_(parent, id, MAX_DEVICE_ID_LEN + 1, 0) != CR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(id);
}
