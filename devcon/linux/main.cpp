// devcon.exe for Linux: switches every USB device on or off through sysfs, with DevCon's command
// line and exit codes, so that Vantrel can launch it as it launches DevCon on Windows.
#include <iostream>
#include <optional>

#include "CommandLine.h"
#include "ExitCodes.h"
#include "Report.h"
#include "StatusListing.h"
#include "Switching.h"
#include "SysfsTree.h"

int main(int argc, char** argv) {
    const std::optional<Command> command = ParseCommandLine(argc, argv);
    if (!command) {
        std::cerr << UsageText();
        return kExitUsage;
    }
    const SysfsTree tree(SysfsTree::RootFromEnvironment());
    Report report(std::cout, std::cerr);
    switch (*command) {
        case Command::Enable:
            EnableAll(tree, report);
            break;
        case Command::Disable:
            DisableAll(tree, report);
            break;
        case Command::Status:
            ListStatus(tree, report);
            break;
    }
    report.Fixes();
    return report.ExitCode();
}
