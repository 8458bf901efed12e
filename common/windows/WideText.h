#pragma once

#include <string>
#include <string_view>

// The one conversion between the UTF-8 that Vantrel's own text is kept in and the UTF-16 of
// Windows' wide calls, for every Windows part: devcon.exe, the start-up check and the window.
std::string Utf8(std::wstring_view wide);
std::wstring Utf16(std::string_view utf8);
