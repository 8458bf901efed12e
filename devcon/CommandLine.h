#pragma once

#include <optional>
#include <string_view>

enum class Command { Enable, Disable, Status };

// "enable @USB\*", "disable @USB\*" or "status @USB\*" (the backslash is literal); anything else
// is a usage error. Verb and pattern are matched without regard to case, as DevCon does.
std::optional<Command> ParseCommandLine(int argc, const char* const* argv);

std::string_view UsageText();
