#pragma once

#include <windows.h>

#include <cfgmgr32.h>

#include <optional>
#include <string>

// The Configuration Manager calls that find, switch and read devices, from cfgmgr32.dll in the
// system folder, loaded at run time: cfgmgr32.dll is not one of Windows' Known DLLs, so a static
// import would take a DLL of that name from devcon.exe's own folder first.
class ConfigManager {
  public:
    ConfigManager();
    ~ConfigManager();
    ConfigManager(const ConfigManager&) = delete;
    ConfigManager& operator=(const ConfigManager&) = delete;

    // Empty once loaded; otherwise why the calls are missing.
    const std::string& Missing() const { return missing_; }
    // Empty where devices can be switched; otherwise why not.
    const std::string& CannotSwitch() const { return cannotSwitch_; }

    // Whether Locate works: under Wine it finds nothing.
    bool CanLocate() const { return !underWine_; }
    // The device present now with that instance ID; CR_NO_SUCH_DEVNODE once it has gone.
    CONFIGRET Locate(const std::wstring& instanceId, DEVINST& device) const;
    CONFIGRET Status(DEVINST device, ULONG& status, ULONG& problem) const;
    // Without CM_DISABLE_PERSIST: the next start of Windows enables the device again.
    CONFIGRET Disable(DEVINST device) const;
    CONFIGRET Enable(DEVINST device) const;
    // The instance ID of the device above it; none where it cannot be read.
    std::optional<std::wstring> ParentId(DEVINST device) const;

  private:
    using LocateCall = CONFIGRET(WINAPI*)(PDEVINST, DEVINSTID_W, ULONG);
    using StatusCall = CONFIGRET(WINAPI*)(PULONG, PULONG, DEVINST, ULONG);
    using SwitchCall = CONFIGRET(WINAPI*)(DEVINST, ULONG);
    using ParentCall = CONFIGRET(WINAPI*)(PDEVINST, DEVINST, ULONG);
    using IdCall = CONFIGRET(WINAPI*)(DEVINST, PWSTR, ULONG, ULONG);

    HMODULE library_ = nullptr;
    LocateCall locate_ = nullptr;
    StatusCall status_ = nullptr;
    SwitchCall disable_ = nullptr;
    SwitchCall enable_ = nullptr;
    ParentCall parent_ = nullptr;
    IdCall id_ = nullptr;
    std::string missing_;
    std::string cannotSwitch_;
    bool underWine_ = false;
};
