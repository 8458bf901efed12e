#pragma once

#include <string>
#include <string_view>

// Windows' UTF-16 text as the UTF-8 that the report prints.
std::string Utf8(std::wstring_view wide);
// UTF-8 as Windows' UTF-16, for the wide calls.
std::wstring Wide(std::string_view utf8);
