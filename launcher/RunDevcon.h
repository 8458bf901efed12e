#pragma once

#include <functional>

#include "DevconResult.h"
#include "DeviceVerb.h"

// Starts devcon.exe (DevconPath()) hidden, with the parameters for `verb`, its working directory
// the program folder, and returns at once; the tool is never awaited. Its standard input and
// output are the null device; its standard error goes to the program when a receiver is set
// below, else to the null device too. A missing tool or a refused launch is silent. On Linux the
// caller's errno and signal mask are left as they were.
void RunDevcon(DeviceVerb verb);

#ifdef _WIN32
// Receives each run's result once the tool has exited, on a thread of the launcher's: the
// receiver hands it on to its window's thread. Until the tool exits the launcher keeps its
// process handle and the read end of its standard error.
using DevconResultReceiver = std::function<void(DevconResult)>;
void ReceiveDevconResults(DevconResultReceiver receiver);
#else
// Receives, on the thread that called RunDevcon and before it returns, the read end of each
// started tool's standard error: close-on-exec and non-blocking, the receiver's to read to its
// end of file, which comes when the tool has ended, and to close. The tool is not the program's
// child, so no exit code follows.
using DevconStartReceiver = std::function<void(DeviceVerb verb, int errorOutput)>;
void ReceiveDevconStarts(DevconStartReceiver receiver);
#endif
