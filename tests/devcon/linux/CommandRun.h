#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/linux/SysfsTree.h"
#include "devcon/Report.h"
#include "tests/devcon/StringOutput.h"
#include "tests/devcon/linux/FakeUsbTree.h"

// One run of a devcon command against a fake tree whose kernel reacts to every write.
struct CommandRun {
    std::vector<std::string> writes;  // "usb1=0", in the order written
    std::vector<std::string> ports;   // "1-2-port1=1": the writes of ports' `disable`
    std::string out;
    std::string err;
    bool failed = false;
};

using DevconCommand = void (*)(const SysfsTree&, Report&);
// Runs after the kernel's reaction to each write: a test's change to the tree between steps.
using BetweenSteps = std::function<void(const std::string& entry, std::string_view value)>;

inline CommandRun RunCommand(DevconCommand command, FakeUsbTree& fake,
                             const BetweenSteps& betweenSteps = {}) {
    CommandRun run;
    SysfsTree tree(fake.Root());
    tree.ObserveWrites([&](const std::string& entry, std::string_view attribute,
                           std::string_view value, int error) {
        std::string write = entry;
        if (attribute.ends_with("/disable")) {
            const std::string_view folder = attribute.substr(0, attribute.rfind('/'));
            run.ports.push_back(std::string(folder.substr(folder.rfind('/') + 1)) + "=" +
                                std::string(value));
            if (error == 0) {
                fake.ReactPort(entry, std::string(attribute), value);
            }
        } else {
            if (attribute != "authorized") {
                write.append("/").append(attribute);
            }
            run.writes.push_back(write.append("=").append(value));
        }
        if (error == 0 && attribute == "authorized") {
            fake.React(entry, value);
        }
        if (betweenSteps) {
            betweenSteps(entry, value);
        }
    });
    StringOutput out;
    StringOutput err;
    Report report(out, err);
    command(tree, report);
    report.Fixes();
    run.out = out.text;
    run.err = err.text;
    run.failed = report.Failed();
    return run;
}
