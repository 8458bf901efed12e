#include "Devcon.h"

#include <optional>

#include "CommandLine.h"
#include "ExitCodes.h"

int RunTool(int argc, const char* const* argv, DeviceLayer& devices, SwitchingLock& lock,
            Output& out, Output& err) {
    const std::optional<Command> command = ParseCommandLine(argc, argv);
    if (!command) {
        err.Write(UsageText());
        return kExitUsage;
    }
    Report report(out, err);
    if (*command != Command::Status) {
        const bool on = *command == Command::Enable;
        SteadyWaitClock clock;
        if (!TakeTurn(lock, clock, on, LockWaitBound(on ? kEnableLockWait : kDisableLockWait),
                      report)) {
            report.Fixes();
            return report.ExitCode();
        }
    }
    switch (*command) {
        case Command::Enable:
            devices.EnableAll(report);
            break;
        case Command::Disable:
            devices.DisableAll(report);
            break;
        case Command::Status:
            devices.ListStatus(report);
            break;
    }
    report.Fixes();
    return report.ExitCode();
}
