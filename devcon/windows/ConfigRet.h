#pragma once

#include <windows.h>

#include <cfgmgr32.h>

#include <string>
#include <string_view>

#include "devcon/windows/PnpDevices.h"

// "CR_REMOVE_VETOED (0x17)"; a code Windows has no name for: "CONFIGRET 0x4D".
std::string ConfigRetText(CONFIGRET result);

// The device is no longer there: unplugged, or removed with the hub above it.
bool IsGone(CONFIGRET result);

// What `result` from the Configuration Manager's `call` means for the device: done, gone, or
// refused, with the call, the code by name and number, and what the user can do about it.
PnpAnswer AnswerFor(std::string_view call, CONFIGRET result);
