#pragma once

#include <windows.h>

#include "devcon/windows/ConfigManager.h"
#include "devcon/windows/PnpDevices.h"

// The devices of this computer: listed through SetupAPI, then found afresh by instance ID
// (CM_Locate_DevNodeW) right before each read and switch, and read and switched through the
// Configuration Manager (CM_Get_DevNode_Status, CM_Disable_DevNode, CM_Enable_DevNode). No
// device handle outlives the call that located it: another copy of the tool may have switched
// the device, and Windows removed or re-created it, in between.
class SetupApiDevices : public PnpDevices {
  public:
    PnpListing List() override;
    PnpState State(const PnpDevice& device) override;
    PnpAnswer Disable(const PnpDevice& device) override;
    PnpAnswer Enable(const PnpDevice& device) override;
    bool CallerIsAdministrator() override;

  private:
    // Finds the device present now with the device's instance ID and runs `use` on its handle,
    // which is valid during that call only. Done after `use`, else Gone or Refused.
    template <typename Use>
    PnpAnswer WithDevice(const PnpDevice& device, Use use) const;
    PnpState StateOf(DEVINST handle) const;
    PnpAnswer Switch(const PnpDevice& device, bool on);

    ConfigManager configManager_;
};
