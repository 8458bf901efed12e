#include <cstdio>
#include <cstring>

#include "window/readiness/NoticeText.h"

#include "common/linux/PrivilegesPointer.h"

// Every notice the program shows at start, as docs/notices.md quotes them.
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
        case Cause::FolderTooDeep:
#ifdef _WIN32
            return "Vantrel is in a folder too deep for it: the path of vantrel.exe has 260 "
                   "characters or more, so Vantrel cannot start devcon.exe and no button can "
                   "switch anything.\n\n"
                   "Move the Vantrel folder to a shorter path, such as C:\\Program Files\\Vantrel, "
                   "or install Vantrel.";
#else
            return "Vantrel is in a folder too deep for it: the path of the program is longer "
                   "than the system allows (PATH_MAX), so Vantrel cannot start devcon.exe and no "
                   "button can switch anything.\n\n"
                   "Reinstall the vantrel package, or move the program to a shorter path.";
#endif
        case Cause::NoRootHub:
#ifdef _WIN32
            return "This machine has no USB root hub (Windows lists no USB device), so there is "
                   "no USB device to switch.\n\n"
                   "Give the machine a USB controller (for a virtual machine, in its settings; a "
                   "Hyper-V generation 2 machine has none), then start Vantrel again.";
#else
            return "This machine has no USB root hub (nothing under " + r.path +
                   "), so there is no USB device to switch.\n\n"
                   "Give the machine a USB controller (for a virtual machine, in its settings), "
                   "then start Vantrel again.";
#endif
        case Cause::RuleMissing:
            return "The udev rule that lets group vantrel switch USB devices is not in place: " +
                   r.path +
                   " is not writable by group vantrel.\n\n"
                   "Install the vantrel package, or install 70-vantrel-usb-authorized.rules as "
                   "described in " +
                   std::string(kPrivilegesPointer) + ".";
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
                   "Let group vantrel write it (see " +
                   std::string(kPrivilegesPointer) + "), or start Vantrel as root.";
        case Cause::NotElevated:
            return "Vantrel is running without administrator rights, which devcon.exe needs to "
                   "switch USB devices.\n\n"
                   "Close Vantrel and start it again with \"Run as administrator\".";
    }
    return {};
}

std::string_view FailureTitle(DeviceVerb verb) {
    return verb == DeviceVerb::Enable ? "Vantrel: switching USB devices on failed"
                                      : "Vantrel: switching USB devices off failed";
}

std::string SilentFailureText(DeviceVerb verb, unsigned long exitCode) {
    const std::string switching =
        verb == DeviceVerb::Enable ? "switching USB devices on" : "switching USB devices off";
    // The tool's disable lasts until Windows restarts: one that needs a restart never takes.
    if (exitCode == 1 && verb == DeviceVerb::Disable) {
        return "Windows could not switch USB devices off without restarting, and a restart "
               "switches every device on again, so they stay on. Close the programs that use USB "
               "devices, such as files open on a USB drive, and try again.";
    }
    if (exitCode == 1) {
        return "Windows finishes " + switching +
               " only when it restarts: restart Windows to "
               "finish.";
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", exitCode);
    return "devcon.exe ended with exit code " + std::to_string(exitCode) + " (" + hex + ") while " +
           switching +
           ", without saying why: it may have crashed. Try again; if it "
           "happens again, install Vantrel again.";
}

std::string MoreLinesText(int count) {
    return "... and " + std::to_string(count) + " more line(s) that this notice leaves out.";
}

std::string RefusedLaunchText(const std::string& systemMessage, int error) {
    return "devcon.exe could not be started: " + systemMessage + " (error " +
           std::to_string(error) + ")";
}

std::string StillGoingText(DeviceVerb verb) {
    return std::string("devcon.exe ") + std::string(DevconParameters(verb)) +
           " has been running for 10 s and has not ended: a USB device or its driver may be "
           "stuck, and the system log tells which (" +
#ifdef _WIN32
           "Event Viewer, Windows Logs, System" +
#else
           "journalctl -k" +
#endif
           "). Unplug that device or restart the computer; Vantrel goes on switching the "
           "others.";
}
