#pragma once

#include "DeviceVerb.h"

// Starts devcon.exe from the folder of the running executable, hidden, with the parameters for
// `verb`, and returns at once. Nothing is awaited or reported: a missing tool or a refused launch
// is as silent as a successful one.
void RunDevcon(DeviceVerb verb);
