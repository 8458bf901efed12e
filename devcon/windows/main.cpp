// devcon.exe for Windows: switches every USB device on or off through Windows' Plug and Play
// manager, with DevCon's command line and exit codes, so that Vantrel works without the Windows
// Driver Kit. Microsoft's DevCon may take its place: same name, same folder.
#include <windows.h>

#include <iostream>
#include <optional>

#include "CommandLine.h"
#include "ExitCodes.h"
#include "PnpSwitching.h"
#include "Report.h"
#include "SetupApiDevices.h"

namespace {

// DLLs loaded at run time come from the system folder only, never from the folder devcon.exe
// sits in or the current one. Windows 7 has the call only with update KB2533623.
void LoadDllsFromSystemFolderOnly() {
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto set = reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set != nullptr) {
        set(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

// The report is UTF-8; a console shows it as such while the tool runs.
class Utf8Console {
  public:
    Utf8Console() : previous_(GetConsoleOutputCP()) {
        if (previous_ != 0) {
            SetConsoleOutputCP(CP_UTF8);
        }
    }
    ~Utf8Console() {
        if (previous_ != 0) {
            SetConsoleOutputCP(previous_);
        }
    }

  private:
    UINT previous_;
};

}  // namespace

int main(int argc, char** argv) {
    LoadDllsFromSystemFolderOnly();
    const std::optional<Command> command = ParseCommandLine(argc, argv);
    if (!command) {
        std::cerr << UsageText();
        return kExitUsage;
    }
    const Utf8Console console;
    SetupApiDevices devices;
    Report report(std::cout, std::cerr);
    switch (*command) {
        case Command::Enable:
            EnableAll(devices, report);
            break;
        case Command::Disable:
            DisableAll(devices, report);
            break;
        case Command::Status:
            ListStatus(devices, report);
            break;
    }
    report.Fixes();
    std::cout.flush();
    return report.ExitCode();
}
