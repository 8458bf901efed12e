#pragma once

#include "DeviceVerb.h"

// Starts devcon.exe from the folder of the running executable, hidden, with the parameters for
// `verb`, and returns at once. Nothing is awaited or reported: a missing tool or a refused launch
// is as silent as a successful one. On Windows the program's path must be shorter than MAX_PATH
// (260 characters); from a deeper folder nothing is started. On Linux the caller's errno and
// signal mask are left as they were.
void RunDevcon(DeviceVerb verb);
