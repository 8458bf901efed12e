#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/windows/WideText.h"
#include "tests/support/DevconRecord.h"

// Test helpers for the Windows programs, which run under Wine.

// A path the build gave as a Unix path, as Wine sees it: drive Z: is the Unix root.
std::filesystem::path FromBuildPath(const char* unixPath);

using devcon_record::Record;

// A throw-away program folder whose name has Cyrillic and CJK letters (outside any ANSI code
// page), beside a separate current directory, and the log that the recording devcon.exe writes
// (DEVCON_LOG points at it while the sandbox lives).
class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::filesystem::path root;
    std::filesystem::path programFolder;
    std::filesystem::path elsewhere;
    std::filesystem::path log;

    std::vector<Record> Records() const;
    // Waits until `count` records are in, or `timeoutMs` has passed.
    std::vector<Record> WaitForRecords(std::size_t count, DWORD timeoutMs) const;
};

struct ProcessResult {
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;
};

// Runs `program` with `arguments` in `directory` and collects its standard output; gives up
// after `timeoutMs`.
ProcessResult RunProgram(const std::filesystem::path& program, const std::wstring& arguments,
                         const std::filesystem::path& directory, DWORD timeoutMs);

// Starts `program` in `directory` without waiting; the caller closes the handles.
PROCESS_INFORMATION StartProgram(const std::filesystem::path& program,
                                 const std::filesystem::path& directory);
