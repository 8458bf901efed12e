#pragma once

#include <filesystem>
#include <optional>

// Where devcon.exe must be: beside the running executable, asked afresh each time, never the
// current directory or a search. Nothing when the program cannot name its own folder: on Windows
// when its path has MAX_PATH (260) characters or more, as the program does not opt in to long
// paths and a cut-off path would name another folder; on Linux when it is longer than PATH_MAX.
// Whether the file is there is for the caller to find out.
std::optional<std::filesystem::path> DevconPath();
