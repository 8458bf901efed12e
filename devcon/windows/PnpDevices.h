#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The devices of Windows' Plug and Play manager as the switching logic sees them, free of any
// Windows type: the Windows layer (SetupApiDevices) implements it, the tests fake it. Text is
// UTF-8.

struct PnpDevice {
    std::string instanceId;   // "USB\ROOT_HUB30\4&1C1CF3F&0&0"
    std::string description;  // what Device Manager calls it; may be empty
    // The instance ID of the device above it, "PCI\VEN_8086&..."; none where it cannot be read.
    std::optional<std::string> parentId;
};

// What Windows answered to a request about a device.
struct PnpAnswer {
    enum Kind { Done, Gone, Refused } kind = Done;
    std::string error;  // Refused: the call and its error, "CM_Disable_DevNode: CR_REMOVE_VETOED"
    std::string fix;    // Refused: what the user can do about it
};

struct PnpState {
    enum Kind {
        Running,
        Disabled,
        Problem,     // another problem than being disabled: `problem` holds Windows' code
        NotStarted,  // no problem, yet not running
        Gone,        // unplugged, or removed with the hub above it
        Unreadable,  // `answer` says why
    } kind = Unreadable;
    unsigned long problem = 0;
    bool restartNeeded = false;  // Windows finishes a change to the device when it restarts
    PnpAnswer answer;
};

struct PnpListing {
    std::vector<PnpDevice> devices;  // in any order, of any enumerator
    PnpAnswer answer;
};

// The fix for a switch refused for want of administrator rights.
constexpr std::string_view kFixRunAsAdministrator =
    "run devcon.exe as administrator: start it from Vantrel, which asks for those rights when "
    "it starts, or from a command prompt opened with \"Run as administrator\"";

// The fix for a failure that Device Manager may explain: a device that did not answer, or that
// Windows did not switch as asked.
constexpr std::string_view kFixSeeDeviceManager =
    "Device Manager shows the device's state and problem; try again, or restart Windows";

class PnpDevices {
  public:
    virtual ~PnpDevices() = default;

    // Every device present.
    virtual PnpListing List() = 0;
    virtual PnpState State(const PnpDevice& device) = 0;
    // Asks Windows to switch the device off or on. Done means that Windows took the request, not
    // that the device shows it yet. Called on a thread of its own, and may still be running when
    // the next call comes.
    virtual PnpAnswer Disable(const PnpDevice& device) = 0;
    virtual PnpAnswer Enable(const PnpDevice& device) = 0;
    // Whether this process may switch devices: it runs with administrator rights.
    virtual bool CallerIsAdministrator() = 0;
};
