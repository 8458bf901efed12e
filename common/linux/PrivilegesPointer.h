#pragma once

#include <string_view>

// Where an installed system explains the group vantrel and the udev rule: the notices at start and
// devcon.exe's fix lines point there. The package installs the manual page, not the README.
constexpr std::string_view kPrivilegesPointer = "\"man vantrel\", section PERMISSIONS";
