#pragma once

#include <string>
#include <string_view>

#include "launcher/DeviceVerb.h"

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

// The notice's title, distinct from the main window's.
inline constexpr std::string_view kNoticeTitle = "Vantrel: USB devices cannot be switched";

// One sentence for the cause, then one for the fix; empty when ready.
std::string NoticeText(const Readiness& readiness);

// The title of the notice once a run of devcon.exe has failed, for the verb of the first such run.
std::string_view FailureTitle(DeviceVerb verb);

// The line that stands for a run that failed without a word (Windows): a restart to finish
// (exit code 1), or a crash, named by its exit code.
std::string SilentFailureText(DeviceVerb verb, unsigned long exitCode);

// The last line when more distinct lines came than the notice shows.
std::string MoreLinesText(int count);

// The line for a run that the system would not start, in its own words.
std::string RefusedLaunchText(const std::string& systemMessage, int error);

// The line for a run still going after 10 s, with what to do.
std::string StillGoingText(DeviceVerb verb);
