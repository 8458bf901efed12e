#pragma once

#include <string_view>

// How devcon.exe begins every line it writes on standard error, and the lines that tell how to
// fix what failed, which the program's notice shows after the failures.
inline constexpr std::string_view kToolLinePrefix = "devcon.exe: ";
inline constexpr std::string_view kFixLinePrefix = "devcon.exe: to fix: ";
