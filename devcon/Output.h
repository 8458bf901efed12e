#pragma once

#include <string_view>

// Where devcon.exe's text goes: standard output or standard error, each written through the
// platform's own calls, a line at a time as it is reported. Text is UTF-8 with "\n" line ends.
class Output {
  public:
    virtual ~Output() = default;
    virtual void Write(std::string_view text) = 0;
};
