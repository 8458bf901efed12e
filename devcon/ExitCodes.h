#pragma once

// DevCon's exit codes.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 2;
constexpr int kExitUsage = 3;
