#pragma once

#include <string>
#include <string_view>

#include "SysfsTree.h"

// What WriteBounded returns for a write that the kernel has not finished within kSwitchBound:
// not an errno.
constexpr int kWriteUnfinished = -1;

// One write of one attribute, as SysfsTree::Write does it but on a thread of its own: a write the
// kernel has not finished within kSwitchBound (a device or its driver stuck) is left to it, and
// the tool goes on. Returns 0, the errno, or kWriteUnfinished.
int WriteBounded(const SysfsTree& tree, const std::string& entry, std::string_view attribute,
                 std::string_view value);
