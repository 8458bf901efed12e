#include "tests/devcon/windows/FakePnpDevices.h"

#include <windows.h>

#include <algorithm>

void FakePnpDevices::Plug(const std::string& id, const std::string& description,
                          const std::string& parent) {
    order_.push_back(id);
    devices_[id] = Device{description, parent};
}

void FakePnpDevices::Set(const std::string& id, PnpState::Kind kind, unsigned long problem) {
    devices_.at(id).kind = kind;
    devices_.at(id).problem = problem;
}

void FakePnpDevices::Unplug(const std::string& id) {
    devices_.at(id).plugged = false;
}

void FakePnpDevices::Refuse(const std::string& id, const std::string& error,
                            const std::string& fix) {
    refused_[id] = {PnpAnswer::Refused, error, fix};
}

// Plugged, and every device above it too and not disabled.
bool FakePnpDevices::Present(const std::string& id) const {
    const Device& device = devices_.at(id);
    if (!device.plugged) {
        return false;
    }
    if (device.parent.empty()) {
        return true;
    }
    return Present(device.parent) && devices_.at(device.parent).kind != PnpState::Disabled;
}

PnpListing FakePnpDevices::List() {
    PnpListing listing;
    // Newest first, as no order is promised.
    for (auto id = order_.rbegin(); id != order_.rend(); ++id) {
        if (Present(*id)) {
            const std::string& parent = devices_.at(*id).parent;
            listing.devices.push_back({*id, devices_.at(*id).description,
                                       parent.empty() ? std::nullopt : std::optional(parent)});
        }
    }
    return listing;
}

PnpState FakePnpDevices::State(const PnpDevice& device) {
    PnpState state;
    if (!Present(device.instanceId)) {
        state.kind = PnpState::Gone;
    } else if (hidden_.count(device.instanceId) > 0) {
        state.answer = {PnpAnswer::Refused, "CM_Get_DevNode_Status: CR_FAILURE (0x13)",
                        "fix for an unreadable state"};
    } else {
        const Device& found = devices_.at(device.instanceId);
        state.kind = found.kind;
        state.problem = found.problem;
        state.restartNeeded = found.restartNeeded;
    }
    return state;
}

PnpAnswer FakePnpDevices::Disable(const PnpDevice& device) {
    return Switch(device, false);
}

PnpAnswer FakePnpDevices::Enable(const PnpDevice& device) {
    return Switch(device, true);
}

PnpAnswer FakePnpDevices::Switch(const PnpDevice& device, bool on) {
    const std::string& id = device.instanceId;
    if (stuck_.count(id) > 0) {
        Sleep(INFINITE);
    }
    switches.push_back((on ? "enable " : "disable ") + id);
    if (beforeSwitch) {
        beforeSwitch(id);
    }
    if (!Present(id)) {
        return {PnpAnswer::Gone, {}, {}};
    }
    if (const auto refused = refused_.find(id); refused != refused_.end()) {
        return refused->second;
    }
    Device& found = devices_.at(id);
    if (atRestart_.count(id) > 0) {
        found.restartNeeded = true;
    } else if (ignored_.count(id) == 0) {
        found.kind = on ? PnpState::Running : PnpState::Disabled;
        found.problem = 0;
    }
    return {};
}
