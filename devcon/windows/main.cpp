// devcon.exe for Windows: switches every USB device on or off through Windows' Plug and Play
// manager, with DevCon's command line and exit codes, so that Vantrel works without the Windows
// Driver Kit.
#include <windows.h>

#include <cstdlib>

#include "common/windows/SystemDlls.h"
#include "devcon/Devcon.h"
#include "devcon/windows/HandleOutput.h"
#include "devcon/windows/MutexLock.h"
#include "devcon/windows/PnpSwitching.h"
#include "devcon/windows/SetupApiDevices.h"

namespace {

class PnpDeviceLayer : public DeviceLayer {
  public:
    void EnableAll(Report& report) override { ::EnableAll(devices_, report); }
    void DisableAll(Report& report) override { ::DisableAll(devices_, report); }
    void ListStatus(Report& report) override { ::ListStatus(devices_, report); }

  private:
    SetupApiDevices devices_;
};

}  // namespace

// The C++ library's own terminate handler names an uncaught exception's type, demangled, and
// links a demangler of 45 KB for it. Nothing escapes devcon.exe on purpose; should anything,
// it ends as abort() ends it.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

int main(int argc, char** argv) {
    // No dialog for a crash or a missing disk: nobody can click one while the mouse is off, and
    // the lock would be held until somebody did.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    LoadDllsFromSystemFolderOnly();
    // Never destroyed: a switch that Windows has not finished is left running on its own thread,
    // inside the layer and cfgmgr32.dll, until the process ends.
    auto* devices = new PnpDeviceLayer;
    MutexLock lock;
    HandleOutput out(STD_OUTPUT_HANDLE);
    HandleOutput err(STD_ERROR_HANDLE);
    return RunTool(argc, argv, *devices, lock, out, err);
}
