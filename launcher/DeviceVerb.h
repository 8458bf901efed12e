#pragma once

#include <string_view>

enum class DeviceVerb { Enable, Disable };

// The command line handed to devcon.exe. The backslash is literal: DevCon reads "@USB\*" as
// "every device instance whose ID starts with USB\".
constexpr std::string_view DevconParameters(DeviceVerb verb) {
    return verb == DeviceVerb::Enable ? "enable @USB\\*" : "disable @USB\\*";
}
