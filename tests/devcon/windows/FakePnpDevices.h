#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "devcon/windows/PnpDevices.h"

// Windows' device tree as the switching logic meets it: a device disabled takes every device
// below it away (Windows removes them), and enabled brings them back as they were. Faults are
// set per device. Every switch asked for is recorded.
class FakePnpDevices : public PnpDevices {
  public:
    // Plugged and running, below `parent` (none: a root of the tree).
    void Plug(const std::string& id, const std::string& description,
              const std::string& parent = "");
    void Set(const std::string& id, PnpState::Kind kind, unsigned long problem = 0);
    void Unplug(const std::string& id);

    // Faults of one device: switches refused with `error`; taken but without effect; taken but
    // finished only when Windows restarts; a state that cannot be read.
    void Refuse(const std::string& id, const std::string& error, const std::string& fix);
    void IgnoreSwitches(const std::string& id) { ignored_.insert(id); }
    void FinishAtRestart(const std::string& id) { atRestart_.insert(id); }
    void HideState(const std::string& id) { hidden_.insert(id); }
    // A device or driver stuck: a switch of it never returns.
    void NeverAnswer(const std::string& id) { stuck_.insert(id); }

    bool Present(const std::string& id) const;
    PnpState::Kind Kind(const std::string& id) const { return devices_.at(id).kind; }

    bool administrator = true;
    std::vector<std::string> switches;  // "disable USB\ROOT_HUB30\...", in the order asked
    // Runs as each switch is asked for, before Windows answers: a test's change meanwhile.
    std::function<void(const std::string& id)> beforeSwitch;

    PnpListing List() override;
    PnpState State(const PnpDevice& device) override;
    PnpAnswer Disable(const PnpDevice& device) override;
    PnpAnswer Enable(const PnpDevice& device) override;
    bool CallerIsAdministrator() override { return administrator; }

  private:
    struct Device {
        std::string description;
        std::string parent;
        PnpState::Kind kind = PnpState::Running;
        unsigned long problem = 0;
        bool restartNeeded = false;
        bool plugged = true;
    };

    PnpAnswer Switch(const PnpDevice& device, bool on);

    std::vector<std::string> order_;  // as plugged
    std::map<std::string, Device> devices_;
    std::map<std::string, PnpAnswer> refused_;
    std::set<std::string> ignored_;
    std::set<std::string> atRestart_;
    std::set<std::string> hidden_;
    std::set<std::string> stuck_;
};
