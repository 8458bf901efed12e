#pragma once

#include <string>
#include <string_view>

// Windows' UTF-16 text as the UTF-8 that the report prints.
std::string Utf8(std::wstring_view wide);
