#include "devcon/Report.h"

#include <set>

#include "common/ToolLines.h"
#include "devcon/ExitCodes.h"

namespace {

std::string Joined(std::initializer_list<std::string_view> parts) {
    std::string line;
    for (const std::string_view part : parts) {
        line.append(part);
    }
    return line;
}

}  // namespace

std::string SecondsText(std::chrono::milliseconds duration) {
    const long long tenths = (duration.count() + 50) / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

void Report::Device(std::string_view label, std::string_view state) {
    out_.Write(Joined({label, ": ", state, "\n"}));
}

void Report::Count(int count, std::string_view what) {
    out_.Write(Joined({std::to_string(count), " device(s) ", what, ".\n"}));
}

void Report::Line(std::string_view text) {
    out_.Write(Joined({text, "\n"}));
}

void Report::Failure(std::string_view message, std::string_view error, std::string_view fix) {
    err_.Write(error.empty() ? Joined({kToolLinePrefix, message, "\n"})
                             : Joined({kToolLinePrefix, message, ": ", error, "\n"}));
    fixes_.emplace_back(fix);
}

void Report::Note(std::string_view text) {
    err_.Write(Joined({kToolLinePrefix, text, "\n"}));
}

void Report::Fixes() {
    std::set<std::string_view> printed;
    for (const std::string& fix : fixes_) {
        if (printed.insert(fix).second) {
            err_.Write(Joined({kFixLinePrefix, fix, ".\n"}));
        }
    }
}

int Report::ExitCode() const {
    if (Failed()) {
        return kExitFailed;
    }
    return restartNeeded_ ? kExitRestartNeeded : kExitDone;
}
