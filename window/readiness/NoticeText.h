#pragma once

#include <string>
#include <string_view>

#include "launcher/DeviceVerb.h"
#include "window/readiness/Readiness.h"

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
