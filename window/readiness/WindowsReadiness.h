#pragma once

#include "window/readiness/NoticeText.h"

// Whether devcon.exe beside the running vantrel.exe could switch anything: it is there, Windows
// has a USB device for it to switch, and the program runs with administrator rights, which every
// launched devcon.exe inherits.
Readiness CheckReadiness();
