#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "launcher/DevconResult.h"
#include "launcher/DeviceVerb.h"

// Starts devcon.exe (DevconPath()) hidden, with the parameters for `verb`, its working directory
// the program folder, and returns at once; the tool is never awaited. Its standard input and
// output are the null device; its standard error goes to the program when a receiver is set
// below, else to the null device too. `run` is handed back with the run's standard error. Returns
// 0, or the system's error number when the tool could not be started (SystemMessage names it).
// On Linux the caller's errno and signal mask are left as they were. The window starts its runs
// through a LaunchQueue, one at a time.
int RunDevcon(DeviceVerb verb, std::uint64_t run = 0);

// The system's own words for an error number of RunDevcon's.
std::string SystemMessage(int error);

#ifdef _WIN32
// Receives each run's result once the tool has exited, on a thread of the launcher's: the
// receiver hands it on to its window's thread. Until the tool exits the launcher keeps its
// process handle and the read end of its standard error.
using DevconResultReceiver = std::function<void(DevconResult)>;
void ReceiveDevconResults(DevconResultReceiver receiver);
#else
// Receives, on the thread that called RunDevcon and before it returns, the read end of each
// started tool's standard error: close-on-exec and non-blocking, the receiver's to read to its
// end of file and to close. With it comes `processEnd`, a pidfd that becomes readable once the
// tool has ended and released all it held, its lock too (-1 where the kernel has no pidfd: then
// the end of file is the tool's end); the receiver's to close as well. The tool is not the
// program's child, so no exit code follows.
using DevconStartReceiver =
    std::function<void(DeviceVerb verb, std::uint64_t run, int errorOutput, int processEnd)>;
void ReceiveDevconStarts(DevconStartReceiver receiver);

// When the program is PID 1 (a container without init), the tools it leaves are adopted by it:
// reaps those that have ended. Elsewhere init does, and this does nothing.
void ReapEndedTools();
#endif
