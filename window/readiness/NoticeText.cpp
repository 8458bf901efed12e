#include <cstring>

#include "Notice.h"

// Every notice the program shows at start, in the words of the README's "If the buttons do
// nothing".
std::string NoticeText(const Readiness& r) {
    switch (r.cause) {
        case Cause::Ready:
            return {};
        case Cause::ToolMissing:
#ifdef _WIN32
            return "There is no devcon.exe beside vantrel.exe in " + r.path +
                   ", so no button can switch anything.\n\n"
                   "Install Vantrel again, or unpack its zip again: both put devcon.exe beside "
                   "vantrel.exe.";
#else
            return "There is no devcon.exe that Vantrel can run in " + r.path +
                   ", so no button can switch anything.\n\n"
                   "Reinstall the vantrel package, which puts an executable devcon.exe beside the "
                   "program.";
#endif
        case Cause::NoRootHub:
            return "This machine has no USB root hub (nothing under " + r.path +
                   "), so there is no USB device to switch.\n\n"
                   "Give the machine a USB controller (for a virtual machine, in its settings), "
                   "then start Vantrel again.";
        case Cause::RuleMissing:
            return "The udev rule that lets group vantrel switch USB devices is not in place: " +
                   r.path +
                   " is not writable by group vantrel.\n\n"
                   "Install the vantrel package, or install 70-vantrel-usb-authorized.rules as "
                   "the README says under \"Linux privileges\".";
        case Cause::NotInGroup:
            return "The user " + r.user +
                   " is not in group vantrel, whose members may switch USB devices.\n\n"
                   "Run \"sudo adduser " +
                   r.user + " vantrel\", then log out and in again.";
        case Cause::GroupNotYetActive:
            return "The user " + r.user +
                   " has joined group vantrel since logging in, so Vantrel does not have the "
                   "group yet.\n\n"
                   "Log out and in again, or restart the computer.";
        case Cause::CannotWrite:
            return "Vantrel may not write " + r.path + ": " + std::strerror(r.error) + " (errno " +
                   std::to_string(r.error) +
                   ").\n\n"
                   "Let group vantrel write it (see \"Linux privileges\" in the README), or "
                   "start Vantrel as root.";
        case Cause::NotElevated:
            return "Vantrel is running without administrator rights, which devcon.exe needs to "
                   "switch USB devices.\n\n"
                   "Close Vantrel and start it again with \"Run as administrator\".";
    }
    return {};
}
