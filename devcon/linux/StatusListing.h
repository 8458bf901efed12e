#pragma once

#include "Report.h"
#include "SysfsTree.h"

// One line per USB device: its name, its product where it tells one, and whether it is running,
// disabled or held back by an authorization policy; then how many were found.
void ListStatus(const SysfsTree& tree, Report& report);
