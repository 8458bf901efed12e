#pragma once

#include <optional>
#ifdef _WIN32
#include <string>
#else
#include <filesystem>
#endif

// Where devcon.exe must be: beside the running executable, asked afresh each time, never the
// current directory or a search. Nothing when the program cannot name its own folder: on Windows
// when its path has MAX_PATH (260) characters or more, as the program does not opt in to long
// paths and a cut-off path would name another folder; on Linux when it is longer than PATH_MAX.
// Whether the file is there is for the caller to find out.
#ifdef _WIN32
// UTF-16, as Windows' calls take it. Not std::filesystem::path, which would link the C++
// library's locale machinery into vantrel.exe, more than the rest of the program together.
using ToolPath = std::wstring;
#else
using ToolPath = std::filesystem::path;
#endif
std::optional<ToolPath> DevconPath();

#ifdef _WIN32
// The folder of `tool`, as RunDevcon starts it in: a drive's root keeps its backslash ("C:"),
// as "C:" alone would mean the current directory on drive C.
std::wstring ToolFolder(const std::wstring& tool);
#endif
