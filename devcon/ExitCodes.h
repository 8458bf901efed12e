#pragma once

// DevCon's exit codes.
constexpr int kExitDone = 0;
constexpr int kExitRestartNeeded = 1;  // done, but Windows finishes it when it restarts
constexpr int kExitFailed = 2;
constexpr int kExitUsage = 3;
