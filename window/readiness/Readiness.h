#pragma once

#include <string>

// Why a click on the window's buttons could switch nothing, as found once at start.
enum class Cause {
    Ready,
    ToolMissing,        // no devcon.exe the program can run beside it
    FolderTooDeep,      // the program's own path is too long for it to name devcon.exe
    NoRootHub,          // nothing under bus/usb/devices (Linux), no USB\ device (Windows)
    RuleMissing,        // Linux: the root hubs' authorized files are not group vantrel's
    NotInGroup,         // Linux: the user is not a member of group vantrel
    GroupNotYetActive,  // Linux: a member, but this process started before the user joined
    CannotWrite,        // Linux: refused for another reason, named by its errno
    NotElevated,        // Windows: running without administrator rights
};

struct Readiness {
    Cause cause = Cause::Ready;
    std::string path;  // the folder of devcon.exe, or the file that could not be used
    std::string user;  // the user's login name, where the fix names it
    int error = 0;     // the errno met, for CannotWrite
};
