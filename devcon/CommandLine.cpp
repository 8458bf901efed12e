#include "devcon/CommandLine.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::optional<Command> ParseCommandLine(int argc, const char* const* argv) {
    if (argc != 3 || !SameIgnoringCase(argv[2], "@USB\\*")) {
        return std::nullopt;
    }
    const std::string_view verb = argv[1];
    if (SameIgnoringCase(verb, "enable")) {
        return Command::Enable;
    }
    if (SameIgnoringCase(verb, "disable")) {
        return Command::Disable;
    }
    if (SameIgnoringCase(verb, "status")) {
        return Command::Status;
    }
    return std::nullopt;
}

std::string_view UsageText() {
#ifdef _WIN32
    return "Usage: devcon.exe enable|disable|status @USB\\*\n"
           "Switches every USB device of this computer (instance ID USB\\...) on or off\n"
           "through Windows' Plug and Play manager; switching needs administrator rights.\n"
           "  enable @USB\\*    switch every USB root hub on, then every other USB device\n"
           "                   that is disabled\n"
           "  disable @USB\\*   switch every USB root hub off, and with it everything\n"
           "                   plugged in below it, until enabled or Windows restarts\n"
           "  status @USB\\*    list every USB device and whether it is running\n"
           "Exit codes: 0 done, 1 restart Windows to finish, 2 failed, 3 usage.\n";
#else
    return "Usage: devcon.exe enable|disable|status @USB\\*\n"
           "Switches every USB device of this machine on or off through sysfs.\n"
           "  enable @USB\\*    switch every USB device on; devices held back by an\n"
           "                   authorization policy stay as the policy left them\n"
           "  disable @USB\\*   switch every USB device off (each controller's root hub,\n"
           "                   and with it everything plugged in below it)\n"
           "  status @USB\\*    list every USB device and whether it is running\n"
           "Exit codes: 0 done, 2 failed, 3 usage.\n";
#endif
}
