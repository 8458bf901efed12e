#pragma once

#include "devcon/Output.h"
#include "devcon/Report.h"
#include "devcon/SwitchingLock.h"

// What devcon.exe does on one platform: its device layer's three commands.
class DeviceLayer {
  public:
    virtual ~DeviceLayer() = default;
    virtual void EnableAll(Report& report) = 0;
    virtual void DisableAll(Report& report) = 0;
    virtual void ListStatus(Report& report) = 0;
};

// devcon.exe's run, the same on every platform: the command line, the switching lock around an
// enable or disable, the command, the fixes and the exit code.
int RunTool(int argc, const char* const* argv, DeviceLayer& devices, SwitchingLock& lock,
            Output& out, Output& err);
