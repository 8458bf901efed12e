#include "devcon/windows/PnpSwitching.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "devcon/BoundedCall.h"
#include "devcon/DeviceText.h"

namespace {

constexpr std::string_view kFixProblem =
    "Device Manager shows what the problem code means for the device";
constexpr std::string_view kFixStuck =
    "the System event log and Device Manager name the stuck device or driver; unplug that "
    "device, or restart Windows if USB stays as it is";

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return Lower(a) == Lower(b); });
}

bool IsUsb(const PnpDevice& device) {
    return StartsWithIgnoringCase(device.instanceId, "USB\\");
}

// The top of a USB branch: a USB\ device whose parent is not one. Windows' own root hubs are
// USB\ROOT_HUB, USB\ROOT_HUB20, USB\ROOT_HUB30; other drivers name theirs after their own
// enumerator (Intel's USB 3.0 driver for Windows 7: IUSB3\ROOT_HUB30), and then the devices
// plugged into that are the tops. Where the parent cannot be read, the name decides.
bool IsRoot(const PnpDevice& device) {
    if (!device.parentId) {
        return StartsWithIgnoringCase(device.instanceId, "USB\\ROOT_HUB");
    }
    return !StartsWithIgnoringCase(*device.parentId, "USB\\");
}

// The description is the device's own text where its driver's INF takes it from the device.
std::string Label(const PnpDevice& device) {
    return device.description.empty()
               ? device.instanceId
               : device.instanceId + " (" + PrintableDeviceText(device.description) + ")";
}

std::string StateText(const PnpState& state) {
    std::string text;
    switch (state.kind) {
        case PnpState::Running:
            text = "running";
            break;
        case PnpState::Disabled:
            text = "disabled";
            break;
        case PnpState::Problem:
            text = "problem code " + std::to_string(state.problem);
            break;
        case PnpState::NotStarted:
            text = "not started";
            break;
        case PnpState::Gone:
            text = "gone";
            break;
        case PnpState::Unreadable:
            text = "state unknown";
            break;
    }
    return state.restartNeeded ? text + ", restart Windows to finish a change" : text;
}

// The USB devices present, sorted by instance ID; a failure to list them is reported.
std::vector<PnpDevice> UsbDevices(PnpDevices& devices, Report& report) {
    PnpListing listing = devices.List();
    if (listing.answer.kind == PnpAnswer::Refused) {
        report.Failure("cannot list the devices", listing.answer.error, listing.answer.fix);
    }
    std::vector<PnpDevice> usb;
    std::copy_if(listing.devices.begin(), listing.devices.end(), std::back_inserter(usb), IsUsb);
    std::sort(usb.begin(), usb.end(), [](const PnpDevice& a, const PnpDevice& b) {
        return std::lexicographical_compare(a.instanceId.begin(), a.instanceId.end(),
                                            b.instanceId.begin(), b.instanceId.end(),
                                            [](char x, char y) { return Lower(x) < Lower(y); });
    });
    return usb;
}

// The device's state; one that cannot be read is reported, and comes back as Unreadable.
PnpState StateOf(PnpDevices& devices, const PnpDevice& device, Report& report) {
    PnpState state = devices.State(device);
    if (state.kind == PnpState::Unreadable) {
        report.Failure(device.instanceId + ": cannot read its state", state.answer.error,
                       state.answer.fix);
    }
    return state;
}

bool MayChange(PnpDevices& devices, std::string_view verb, Report& report) {
    if (devices.CallerIsAdministrator()) {
        return true;
    }
    report.Failure(std::string(verb) +
                       " @USB\\* needs administrator rights, which this process "
                       "does not have",
                   "nothing was changed", kFixRunAsAdministrator);
    return false;
}

struct Tally {
    int done = 0;
    int atRestart = 0;
};

// Asks Windows to switch the device, on a thread of its own: a request that Windows has not
// answered within kSwitchBound (a device or its driver stuck) is left to it. Returns whether it
// answered.
bool AskToSwitch(PnpDevices& devices, const PnpDevice& device, bool on, PnpAnswer& answer) {
    // The request may outlive this call: it owns its answer and its copy of the device. The
    // device layer lives until the process ends.
    const auto asked = std::make_shared<PnpAnswer>();
    if (!CallWithin([&devices, device, on,
                     asked] { *asked = on ? devices.Enable(device) : devices.Disable(device); },
                    kSwitchBound)) {
        return false;
    }
    answer = *asked;
    return true;
}

// Asks Windows to switch the device, then reads its state back: only a switch that the state
// shows is counted as done. A device gone meanwhile is left alone.
void Switch(PnpDevices& devices, const PnpDevice& device, bool on, Tally& tally, Report& report) {
    const std::string verb = on ? "enable" : "disable";
    PnpAnswer answer;
    if (!AskToSwitch(devices, device, on, answer)) {
        report.Failure(device.instanceId + ": Windows did not finish the request to " + verb +
                           " it within " + SecondsText(kSwitchBound),
                       kSwitchUnfinished, kFixStuck);
        return;
    }
    if (answer.kind == PnpAnswer::Gone) {
        return;
    }
    const PnpState state = devices.State(device);
    // Enabled means no longer disabled: Windows may still be starting it.
    const bool shows = on ? state.kind == PnpState::Running || state.kind == PnpState::NotStarted
                          : state.kind == PnpState::Disabled;
    if (answer.kind == PnpAnswer::Refused) {
        // Unless another copy of the tool, run at the same time, switched it first.
        if (!shows) {
            report.Failure(device.instanceId + ": cannot " + verb + " it", answer.error,
                           answer.fix);
        }
        return;
    }
    if (state.kind == PnpState::Gone) {
        return;
    }
    if (shows && !state.restartNeeded) {
        report.Device(Label(device), verb + "d");
        ++tally.done;
    } else if (state.restartNeeded) {
        // Not persistent: the restart that would finish a disable enables the device again.
        report.Device(Label(device), on ? "enabled when Windows restarts"
                                        : "not disabled: Windows can stop it only by "
                                          "restarting, which enables it again");
        report.RestartNeeded();
        ++tally.atRestart;
    } else if (state.kind == PnpState::Unreadable) {
        report.Failure(device.instanceId + ": asked Windows to " + verb +
                           " it, but cannot read its state back",
                       state.answer.error, state.answer.fix);
    } else {
        report.Failure(
            device.instanceId + ": asked Windows to " + verb + " it, but it shows no change",
            "it is " + StateText(state),
            state.kind == PnpState::Problem ? kFixProblem : kFixSeeDeviceManager);
    }
}

void CountAtRestart(const Tally& tally, bool on, Report& report) {
    if (tally.atRestart > 0) {
        report.Count(tally.atRestart, on ? "to be switched when Windows restarts"
                                         : "left on, as only a restart could stop them");
    }
}

}  // namespace

void DisableAll(PnpDevices& devices, Report& report) {
    if (!MayChange(devices, "disable", report)) {
        return;
    }
    Tally tally;
    for (const PnpDevice& device : UsbDevices(devices, report)) {
        if (!IsRoot(device)) {
            continue;
        }
        const PnpState state = StateOf(devices, device, report);
        if (state.kind != PnpState::Disabled && state.kind != PnpState::Gone &&
            state.kind != PnpState::Unreadable) {
            Switch(devices, device, false, tally, report);
        }
    }
    report.Count(tally.done, "disabled");
    CountAtRestart(tally, false, report);
}

void EnableAll(PnpDevices& devices, Report& report) {
    if (!MayChange(devices, "enable", report)) {
        return;
    }
    Tally tally;
    const auto enableDisabled = [&](bool roots) {
        for (const PnpDevice& device : UsbDevices(devices, report)) {
            if (IsRoot(device) == roots &&
                StateOf(devices, device, report).kind == PnpState::Disabled) {
                Switch(devices, device, true, tally, report);
            }
        }
    };
    enableDisabled(true);
    // Then, from a fresh list, the devices disabled one by one. What is below the roots just
    // enabled is not waited for: Windows brings it back by itself.
    enableDisabled(false);
    report.Count(tally.done, "enabled");
    CountAtRestart(tally, true, report);
}

void ListStatus(PnpDevices& devices, Report& report) {
    int found = 0;
    for (const PnpDevice& device : UsbDevices(devices, report)) {
        const PnpState state = StateOf(devices, device, report);
        if (state.kind == PnpState::Gone || state.kind == PnpState::Unreadable) {
            continue;
        }
        report.Device(Label(device), StateText(state));
        ++found;
    }
    report.Line(std::to_string(found) + " matching device(s) found.");
}
