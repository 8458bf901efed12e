#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "ConfigManager.h"
#include "PnpDevices.h"

// The devices of this computer: listed through SetupAPI, read and switched through the
// Configuration Manager (CM_Get_DevNode_Status, CM_Disable_DevNode, CM_Enable_DevNode).
class SetupApiDevices : public PnpDevices {
  public:
    PnpListing List() override;
    PnpState State(const PnpDevice& device) override;
    PnpAnswer Disable(const PnpDevice& device) override;
    PnpAnswer Enable(const PnpDevice& device) override;
    bool CallerIsAdministrator() override;

  private:
    PnpAnswer Switch(const PnpDevice& device, bool on);

    ConfigManager configManager_;
    std::map<std::string, DEVINST> handles_;  // by instance ID, from the last listing
};
