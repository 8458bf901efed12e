#include "window/readiness/NoticeContent.h"

#include <algorithm>

#include "common/ToolLines.h"
#include "window/readiness/NoticeText.h"

namespace {

// A notice beyond this many distinct lines would not fit on a screen; the rest are counted.
constexpr std::size_t kMaxLines = 30;

}  // namespace

void NoticeContent::Count(const std::string& text) {
    const auto known =
        std::find_if(lines_.begin(), lines_.end(), [&](const Line& l) { return l.text == text; });
    if (known != lines_.end()) {
        ++known->runs;
    } else if (lines_.size() < kMaxLines) {
        lines_.push_back({text, 1, text.starts_with(kFixLinePrefix)});
    } else {
        ++linesLeftOut_;
    }
}

bool NoticeContent::AddRun(const DevconResult& run) {
    // Each line once per run, however often the run wrote it.
    std::vector<std::string> said;
    for (const std::string_view line : ErrorLines(run.errorOutput)) {
        if (!line.empty() && std::find(said.begin(), said.end(), line) == said.end()) {
            said.emplace_back(line);
        }
    }
    if (said.empty() && run.exitCode.value_or(0) != 0) {
        said.push_back(SilentFailureText(run.verb, *run.exitCode));
    }
    if (said.empty()) {
        return false;
    }
    firstFailure_ = firstFailure_.value_or(run.verb);
    for (const std::string& line : said) {
        Count(line);
    }
    return true;
}

std::string NoticeContent::Title() const {
    return std::string(firstFailure_ ? FailureTitle(*firstFailure_) : kNoticeTitle);
}

std::string NoticeContent::Text() const {
    std::string text = readiness_;
    for (const bool fixes : {false, true}) {
        std::string block;
        for (const Line& line : lines_) {
            if (line.fix == fixes) {
                block += line.text;
                if (!fixes && line.runs > 1) {
                    block += " (" + std::to_string(line.runs) + " times)";
                }
                block += '\n';
            }
        }
        if (!fixes && linesLeftOut_ > 0) {
            block += MoreLinesText(linesLeftOut_) + '\n';
        }
        if (!block.empty()) {
            block.pop_back();
            text += (text.empty() ? "" : "\n\n") + block;
        }
    }
    return text;
}
