// The Windows switching logic against a fake device tree: what is switched, in which order,
// what is printed, and the exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devcon/ExitCodes.h"
#include "devcon/Report.h"
#include "devcon/windows/ConfigRet.h"
#include "devcon/windows/PnpSwitching.h"
#include "tests/devcon/StringOutput.h"
#include "tests/devcon/windows/FakePnpDevices.h"

using Strings = std::vector<std::string>;

namespace {

constexpr const char* kXhci = "PCI\\VEN_8086&DEV_A36D&SUBSYS_00000000&REV_10\\3&11583659&0&A0";
constexpr const char* kEhci = "PCI\\VEN_8086&DEV_1E26&SUBSYS_00000000&REV_04\\3&11583659&0&E8";
constexpr const char* kHub30 = "USB\\ROOT_HUB30\\4&2F1C3A5&0&0";
constexpr const char* kKeyboard = "USB\\VID_046D&PID_C31C\\5&1A2B3C&0&1";
constexpr const char* kHidKeyboard = "HID\\VID_046D&PID_C31C\\6&9F8E7D&0&0000";
constexpr const char* kHub = "USB\\VID_05E3&PID_0610\\5&1A2B3C&0&2";
constexpr const char* kMouse = "USB\\VID_046D&PID_C077\\6&2B3C4D&0&1";
constexpr const char* kHub20 = "usb\\root_hub\\4&8D7E6F&0";  // Windows' case is not promised
constexpr const char* kStick = "USB\\VID_0781&PID_5567\\4C530001230101116373";

struct CommandRun {
    std::string out;
    std::string err;
    int exitCode = -1;
};

CommandRun RunCommand(void (*command)(PnpDevices&, Report&), FakePnpDevices& devices) {
    StringOutput out;
    StringOutput err;
    Report report(out, err);
    command(devices, report);
    report.Fixes();
    return {out.text, err.text, report.ExitCode()};
}

// An xHCI controller whose root hub has a keyboard (with its HID child) and a hub with a mouse,
// and an EHCI controller whose root hub has a USB stick.
class PnpSwitchingTest : public ::testing::Test {
  protected:
    FakePnpDevices devices;

    void SetUp() override {
        devices.Plug(kXhci, "USB 3.1 eXtensible Host Controller");
        devices.Plug(kHub30, "USB Root Hub (USB 3.0)", kXhci);
        devices.Plug(kKeyboard, "USB Input Device", kHub30);
        devices.Plug(kHidKeyboard, "HID Keyboard Device", kKeyboard);
        devices.Plug(kHub, "Generic USB Hub", kHub30);
        devices.Plug(kMouse, "USB Input Device", kHub);
        devices.Plug(kEhci, "Enhanced Host Controller");
        devices.Plug(kHub20, "USB Root Hub", kEhci);
        devices.Plug(kStick, "USB Mass Storage Device", kHub20);
    }

    void ExpectAllPresentAndRunning() {
        for (const char* id :
             {kXhci, kHub30, kKeyboard, kHidKeyboard, kHub, kMouse, kEhci, kHub20, kStick}) {
            EXPECT_TRUE(devices.Present(id)) << id;
            EXPECT_EQ(devices.Kind(id), PnpState::Running) << id;
        }
    }
};

TEST_F(PnpSwitchingTest, DisableSwitchesOffTheUsbRootHubsOnlyAndTakesAwayWhatIsBelow) {
    const CommandRun run = RunCommand(DisableAll, devices);

    EXPECT_EQ(devices.switches,
              (Strings{std::string("disable ") + kHub30, std::string("disable ") + kHub20}));
    EXPECT_EQ(run.out,
              "USB\\ROOT_HUB30\\4&2F1C3A5&0&0 (USB Root Hub (USB 3.0)): disabled\n"
              "usb\\root_hub\\4&8D7E6F&0 (USB Root Hub): disabled\n"
              "2 device(s) disabled.\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, kExitDone);
    EXPECT_EQ(devices.Kind(kXhci), PnpState::Running);
    EXPECT_EQ(devices.Kind(kEhci), PnpState::Running);
    for (const char* below : {kKeyboard, kHidKeyboard, kHub, kMouse, kStick}) {
        EXPECT_FALSE(devices.Present(below)) << below;
    }

    devices.switches.clear();
    const CommandRun again = RunCommand(DisableAll, devices);
    EXPECT_EQ(devices.switches, Strings{});
    EXPECT_EQ(again.out, "0 device(s) disabled.\n");
    EXPECT_EQ(again.exitCode, kExitDone);
}

TEST_F(PnpSwitchingTest, EnableAfterDisableSwitchesOnTheRootHubsAndEverythingComesBack) {
    RunCommand(DisableAll, devices);
    devices.switches.clear();

    const CommandRun run = RunCommand(EnableAll, devices);

    EXPECT_EQ(devices.switches,
              (Strings{std::string("enable ") + kHub30, std::string("enable ") + kHub20}));
    EXPECT_EQ(run.out,
              "USB\\ROOT_HUB30\\4&2F1C3A5&0&0 (USB Root Hub (USB 3.0)): enabled\n"
              "usb\\root_hub\\4&8D7E6F&0 (USB Root Hub): enabled\n"
              "2 device(s) enabled.\n");
    EXPECT_EQ(run.exitCode, kExitDone);
    ExpectAllPresentAndRunning();
}

TEST_F(PnpSwitchingTest, EnableSwitchesOnDevicesDisabledOneByOneAfterTheRootHubs) {
    devices.Set(kMouse, PnpState::Disabled);
    devices.Set(kHub30, PnpState::Disabled);
    devices.Set(kStick, PnpState::Disabled);
    devices.Set(kHidKeyboard, PnpState::Disabled);  // not USB\: left alone
    devices.Set(kEhci, PnpState::Disabled);         // a host controller: left alone

    const CommandRun run = RunCommand(EnableAll, devices);

    EXPECT_EQ(devices.switches,
              (Strings{std::string("enable ") + kHub30, std::string("enable ") + kMouse}));
    EXPECT_EQ(run.out,
              "USB\\ROOT_HUB30\\4&2F1C3A5&0&0 (USB Root Hub (USB 3.0)): enabled\n"
              "USB\\VID_046D&PID_C077\\6&2B3C4D&0&1 (USB Input Device): enabled\n"
              "2 device(s) enabled.\n");
    EXPECT_EQ(devices.Kind(kMouse), PnpState::Running);
    EXPECT_EQ(devices.Kind(kHidKeyboard), PnpState::Disabled);
    EXPECT_EQ(devices.Kind(kEhci), PnpState::Disabled);
    EXPECT_EQ(devices.Kind(kStick), PnpState::Disabled);  // below a disabled host controller
}

TEST_F(PnpSwitchingTest, ARefusedDeviceIsNamedWithItsErrorAndTheOthersGoOn) {
    const PnpAnswer vetoed = AnswerFor("CM_Disable_DevNode", CR_REMOVE_VETOED);
    devices.Refuse(kHub30, vetoed.error, vetoed.fix);

    const CommandRun run = RunCommand(DisableAll, devices);

    EXPECT_EQ(devices.switches,
              (Strings{std::string("disable ") + kHub30, std::string("disable ") + kHub20}));
    EXPECT_EQ(run.out,
              "usb\\root_hub\\4&8D7E6F&0 (USB Root Hub): disabled\n"
              "1 device(s) disabled.\n");
    EXPECT_EQ(run.err,
              "devcon.exe: USB\\ROOT_HUB30\\4&2F1C3A5&0&0: cannot disable it: CM_Disable_DevNode: "
              "CR_REMOVE_VETOED (0x17)\n"
              "devcon.exe: to fix: a program is using a device below it; close files on USB drives "
              "and try again.\n");
    EXPECT_EQ(run.exitCode, kExitFailed);
    EXPECT_TRUE(devices.Present(kKeyboard));
    EXPECT_FALSE(devices.Present(kStick));
}

// A root is a USB\ device whose parent is not one, whatever its driver names it; both passes
// switch the same roots. A device whose parent cannot be read is a root by its name only.
TEST(PnpRootTest, TheTopUsbDevicesOfEachTreeAreSwitched) {
    struct Plugged {
        std::string id, parent;
    };
    const std::string intel = "IUSB3\\ROOT_HUB30\\4&1C1CF3F&0&0";
    const std::string composite = "USB\\VID_046D&PID_C52B\\5&2B3C&0&2";
    const struct {
        const char* tree;
        std::vector<Plugged> devices;
        Strings roots;
    } cases[] = {
        {"Windows' own root hubs",
         {{kHub30, kXhci}, {kKeyboard, kHub30}, {kHub20, kEhci}, {kStick, kHub20}},
         {kHub30, kHub20}},
        {"Intel's Windows 7 root hub, USB devices below",
         {{intel, kXhci}, {kKeyboard, intel}, {kHub, intel}, {kMouse, kHub}},
         {kKeyboard, kHub}},  // in instance ID order
        {"a composite device's interfaces",
         {{kHub30, kXhci},
          {composite, kHub30},
          {composite + "&MI_00\\6&1&0&0000", composite},
          {composite + "&MI_01\\6&1&0&0001", composite}},
         {kHub30}},
        {"parents unknown", {{kHub20, ""}, {kStick, ""}}, {kHub20}},
    };
    for (const auto& c : cases) {
        FakePnpDevices devices;
        devices.Plug(kXhci, "xHCI");
        devices.Plug(kEhci, "EHCI");
        for (const Plugged& device : c.devices) {
            devices.Plug(device.id, "", device.parent);
        }
        Strings disabled, enabled;
        for (const std::string& root : c.roots) {
            disabled.push_back("disable " + root);
            enabled.push_back("enable " + root);
        }
        RunCommand(DisableAll, devices);
        EXPECT_EQ(devices.switches, disabled) << c.tree;
        devices.switches.clear();
        RunCommand(EnableAll, devices);
        EXPECT_EQ(devices.switches, enabled) << c.tree;
    }
}

TEST(ConfigRetTest, EveryCodeIsNamedWithItsNumberAndTheCommonRefusalsWithTheirFix) {
    const struct {
        CONFIGRET result;
        PnpAnswer::Kind kind;
        std::string error;
        std::string fixBegins;
    } cases[] = {
        {CR_SUCCESS, PnpAnswer::Done, "", ""},
        {CR_NO_SUCH_DEVNODE, PnpAnswer::Gone, "", ""},
        {CR_NOT_DISABLEABLE, PnpAnswer::Refused, "CM_Disable_DevNode: CR_NOT_DISABLEABLE (0x28)",
         "Windows keeps this device on"},
        {CR_ACCESS_DENIED, PnpAnswer::Refused, "CM_Disable_DevNode: CR_ACCESS_DENIED (0x33)",
         "run devcon.exe as administrator"},
        {CR_INVALID_STRUCTURE_SIZE, PnpAnswer::Refused,
         "CM_Disable_DevNode: CR_INVALID_STRUCTURE_SIZE (0x3B)", "Device Manager shows"},
        {0x4D, PnpAnswer::Refused, "CM_Disable_DevNode: CONFIGRET 0x4D", "Device Manager shows"},
    };
    for (const auto& c : cases) {
        const PnpAnswer answer = AnswerFor("CM_Disable_DevNode", c.result);
        EXPECT_EQ(answer.kind, c.kind) << c.result;
        EXPECT_EQ(answer.error, c.error);
        EXPECT_TRUE(answer.fix.starts_with(c.fixBegins)) << answer.fix;
    }
}

// Vantrel starts several copies at once: a switch refused because another copy made it first
// is no failure, and counted by that copy only.
TEST_F(PnpSwitchingTest, ADeviceSwitchedMeanwhileByAnotherCopyIsNoFailure) {
    devices.Refuse(kHub30, "CM_Disable_DevNode: CR_FAILURE (0x13)", "fix");
    devices.beforeSwitch = [&](const std::string& id) {
        if (id == kHub30) {
            devices.Set(kHub30, PnpState::Disabled);
        }
    };

    const CommandRun run = RunCommand(DisableAll, devices);

    EXPECT_EQ(run.out,
              "usb\\root_hub\\4&8D7E6F&0 (USB Root Hub): disabled\n"
              "1 device(s) disabled.\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, kExitDone);
}

TEST_F(PnpSwitchingTest, ASwitchWhoseResultDoesNotShowIsAFailureAndNotCounted) {
    devices.IgnoreSwitches(kHub30);
    const CommandRun unseen = RunCommand(DisableAll, devices);

    EXPECT_EQ(unseen.out,
              "usb\\root_hub\\4&8D7E6F&0 (USB Root Hub): disabled\n"
              "1 device(s) disabled.\n");
    EXPECT_EQ(unseen.err.find("devcon.exe: USB\\ROOT_HUB30\\4&2F1C3A5&0&0: asked Windows to "
                              "disable it, but it shows no change: it is running\n"),
              0u)
        << unseen.err;
    EXPECT_EQ(unseen.exitCode, kExitFailed);

    // Taken, but its state cannot be read back.
    devices.Set(kHub20, PnpState::Running);
    devices.HideState(kHub20);
    devices.switches.clear();
    const CommandRun unread = RunCommand(EnableAll, devices);
    EXPECT_EQ(devices.switches, Strings{});  // its state unknown, it is not switched blindly
    EXPECT_NE(unread.err.find("devcon.exe: usb\\root_hub\\4&8D7E6F&0: cannot read its state: "
                              "CM_Get_DevNode_Status: CR_FAILURE (0x13)\n"),
              std::string::npos)
        << unread.err;
    EXPECT_EQ(unread.exitCode, kExitFailed);
}

// A device or driver stuck in Windows holds up neither the devices after it nor the end of the run.
TEST_F(PnpSwitchingTest, ASwitchThatWindowsNeverFinishesIsNamedAndTheOthersGoOn) {
    devices.NeverAnswer(kHub30);

    const CommandRun run = RunCommand(DisableAll, devices);

    EXPECT_EQ(devices.switches, Strings{std::string("disable ") + kHub20});
    EXPECT_EQ(run.out,
              "usb\\root_hub\\4&8D7E6F&0 (USB Root Hub): disabled\n"
              "1 device(s) disabled.\n");
    EXPECT_EQ(
        run.err,
        "devcon.exe: USB\\ROOT_HUB30\\4&2F1C3A5&0&0: Windows did not finish the request to "
        "disable it within 5.0 s: a device below it or its driver may be stuck; went on with "
        "the others\n"
        "devcon.exe: to fix: the System event log and Device Manager name the stuck device or "
        "driver; unplug that device, or restart Windows if USB stays as it is.\n");
    EXPECT_EQ(run.exitCode, kExitFailed);
}

TEST_F(PnpSwitchingTest, ASwitchThatWindowsFinishesWhenItRestartsExitsOne) {
    devices.FinishAtRestart(kHub30);

    const CommandRun run = RunCommand(DisableAll, devices);

    EXPECT_EQ(run.out,
              "USB\\ROOT_HUB30\\4&2F1C3A5&0&0 (USB Root Hub (USB 3.0)): not disabled: Windows "
              "can stop it only by restarting, which enables it again\n"
              "usb\\root_hub\\4&8D7E6F&0 (USB Root Hub): disabled\n"
              "1 device(s) disabled.\n"
              "1 device(s) left on, as only a restart could stop them.\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, kExitRestartNeeded);

    // A failure besides outweighs it.
    devices.Set(kHub20, PnpState::Running);
    devices.Refuse(kHub20, "CM_Disable_DevNode: CR_FAILURE (0x13)", "fix");
    EXPECT_EQ(RunCommand(DisableAll, devices).exitCode, kExitFailed);
}

TEST_F(PnpSwitchingTest, WithoutAdministratorRightsNothingIsSwitchedAndTheFixIsNamed) {
    devices.administrator = false;
    devices.Set(kHub20, PnpState::Disabled);

    for (auto* command : {DisableAll, EnableAll}) {
        const CommandRun run = RunCommand(command, devices);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("@USB\\* needs administrator rights, which this process does not "
                               "have: nothing was changed\n"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("to fix: run devcon.exe as administrator"), std::string::npos);
        EXPECT_EQ(run.exitCode, kExitFailed);
    }
    EXPECT_EQ(devices.switches, Strings{});
    EXPECT_EQ(RunCommand(ListStatus, devices).exitCode, kExitDone);
}

TEST_F(PnpSwitchingTest, StatusListsEveryUsbDeviceWithItsStateAndNothingElse) {
    devices.Set(kMouse, PnpState::Disabled);
    devices.Set(kStick, PnpState::Problem, 43);
    devices.Set(kHub20, PnpState::NotStarted);

    const CommandRun run = RunCommand(ListStatus, devices);

    EXPECT_EQ(run.out,
              "USB\\ROOT_HUB30\\4&2F1C3A5&0&0 (USB Root Hub (USB 3.0)): running\n"
              "usb\\root_hub\\4&8D7E6F&0 (USB Root Hub): not started\n"
              "USB\\VID_046D&PID_C077\\6&2B3C4D&0&1 (USB Input Device): disabled\n"
              "USB\\VID_046D&PID_C31C\\5&1A2B3C&0&1 (USB Input Device): running\n"
              "USB\\VID_05E3&PID_0610\\5&1A2B3C&0&2 (Generic USB Hub): running\n"
              "USB\\VID_0781&PID_5567\\4C530001230101116373 (USB Mass Storage Device): problem "
              "code 43\n"
              "6 matching device(s) found.\n");
    EXPECT_EQ(run.exitCode, kExitDone);
    EXPECT_EQ(devices.switches, Strings{});
}

TEST_F(PnpSwitchingTest, ADeviceUnpluggedWhileItIsSwitchedIsNoError) {
    devices.Set(kMouse, PnpState::Disabled);
    devices.Set(kStick, PnpState::Disabled);
    devices.beforeSwitch = [&](const std::string& id) {
        if (id == kMouse) {
            devices.Unplug(kMouse);
        }
    };

    const CommandRun run = RunCommand(EnableAll, devices);

    EXPECT_EQ(devices.switches,
              (Strings{std::string("enable ") + kMouse, std::string("enable ") + kStick}));
    EXPECT_EQ(run.out,
              "USB\\VID_0781&PID_5567\\4C530001230101116373 (USB Mass Storage Device): enabled\n"
              "1 device(s) enabled.\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, kExitDone);
}

TEST_F(PnpSwitchingTest, ADescriptionIsPrintedEscaped) {
    devices.Plug("USB\\VID_1234&PID_5678\\7&1&0&3", "Stick\x1b]0;owned\x07", kHub30);

    EXPECT_NE(RunCommand(ListStatus, devices)
                  .out.find("USB\\VID_1234&PID_5678\\7&1&0&3 (Stick\\x1b]0;owned\\x07): running\n"),
              std::string::npos);
}

}  // namespace
