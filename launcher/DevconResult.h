#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/DeviceVerb.h"

// What one run of devcon.exe said on its standard error, where only failures go.
struct DevconResult {
    DeviceVerb verb = DeviceVerb::Enable;
    std::string errorOutput;  // at most kMaxErrorOutput bytes, whole lines
    // Windows only: the tool's exit code. On Linux the tool is not the program's child.
    std::optional<unsigned long> exitCode;
    // The number the launch was given (RunDevcon's `run`).
    std::uint64_t run = 0;
};

// The part of a run's standard error that is kept. On Linux the pipe is closed once it is full,
// and the tool, which ignores SIGPIPE, goes on; on Windows the rest is read and dropped, so that
// the tool never blocks on a full pipe.
inline constexpr std::size_t kMaxErrorOutput = 4096;

// Collects a run's standard error as it is read, up to kMaxErrorOutput bytes.
class ErrorOutput {
  public:
    bool Full() const { return text_.size() >= kMaxErrorOutput; }
    void Append(std::string_view bytes) {
        if (text_.size() < kMaxErrorOutput) {
            text_.append(bytes.substr(0, kMaxErrorOutput - text_.size()));
        }
    }
    // Cut after the last whole line when the cap cut one short.
    std::string Take() {
        if (text_.size() == kMaxErrorOutput && text_.back() != '\n') {
            const std::size_t lastLineEnd = text_.rfind('\n');
            text_.resize(lastLineEnd == std::string::npos ? 0 : lastLineEnd + 1);
        }
        return std::move(text_);
    }

  private:
    std::string text_;
};

// The lines of a run's standard error, each without its line end ("\n" or "\r\n").
inline std::vector<std::string_view> ErrorLines(std::string_view errorOutput) {
    std::vector<std::string_view> lines;
    while (!errorOutput.empty()) {
        const std::size_t end = std::min(errorOutput.find('\n'), errorOutput.size());
        std::string_view line = errorOutput.substr(0, end);
        errorOutput.remove_prefix(std::min(end + 1, errorOutput.size()));
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
    }
    return lines;
}
