#pragma once

#include <optional>
#include <string>
#include <vector>

#include "launcher/DevconResult.h"

// What the window's one notice says while it is open: the start-up check's finding, if any, then
// every line that the failed runs of devcon.exe since it opened wrote, each once, with how many
// runs wrote it. A front end shows Title() and Text(), and clears it when the user closes it.
class NoticeContent {
  public:
    void SetReadiness(std::string text) { readiness_ = std::move(text); }

    // Takes in a finished run; returns whether it failed, and so changed the notice. A failure is
    // any line on standard error, or on Windows an exit code other than 0.
    bool AddRun(const DevconResult& run);

    bool Empty() const { return readiness_.empty() && lines_.empty(); }
    std::string Title() const;
    std::string Text() const;
    void Clear() { *this = {}; }

  private:
    struct Line {
        std::string text;
        int runs;
        bool fix;  // a fix the tool printed: shown as written, after the failures
    };
    void Count(const std::string& text);

    std::string readiness_;
    std::optional<DeviceVerb> firstFailure_;
    std::vector<Line> lines_;
    int linesLeftOut_ = 0;
};
