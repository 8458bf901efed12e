#include "devcon/Devcon.h"

#include <optional>

#include "devcon/CommandLine.h"
#include "devcon/ExitCodes.h"

int RunTool(int argc, const char* const* argv, DeviceLayer& devices, SwitchingLock& lock,
            Output& out, Output& err) {
    const std::optional<Command> command = ParseCommandLine(argc, argv);
    if (!command) {
        err.Write(UsageText());
        return kExitUsage;
    }
    Report report(out, err);
    SteadyWaitClock clock;
    const bool on = *command == Command::Enable;
    const std::chrono::milliseconds bound = LockWaitBound(on ? kEnableLockWait : kDisableLockWait);
    Turn turn = Turn::Locked;
    if (*command != Command::Status) {
        turn = TakeTurn(lock, clock, on, bound, report);
        if (turn == Turn::GaveUp) {
            report.Fixes();
            return report.ExitCode();
        }
    }
    switch (*command) {
        case Command::Enable:
            devices.EnableAll(report);
            // Switched on beside a run that held the lock: should that run be a slow disable, it
            // may switch devices off after us. Once it lets go, switch on again, so that it
            // cannot have the last word.
            if (turn == Turn::WithoutLock &&
                WaitForLock(lock, clock, bound) == SwitchingLock::Attempt::Taken) {
                devices.EnableAll(report);
            }
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
