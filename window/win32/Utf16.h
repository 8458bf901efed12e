#pragma once

#include <string>
#include <string_view>

// UTF-8 text from the shared design and from Form1, as the wide strings Win32 takes.
std::wstring Utf16(std::string_view utf8);
