#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "devcon/linux/Switching.h"
#include "tests/devcon/linux/CommandRun.h"
#include "tests/devcon/linux/FakeUsbTree.h"
#include "tests/devcon/linux/UsbMachine.h"

namespace fs = std::filesystem;

namespace {

TEST(StatusTest, ListsEveryDeviceWithProductAndStateButNoInterface) {
    FakeUsbTree fake;
    PlugUsbMachine(fake);
    fake.PlugDevice("3-2");  // tells no product
    fake.SetAttribute("1-2.2", "authorized", "0");
    fake.React("1-2.2", "0");

    const CommandRun run = RunCommand(ListStatus, fake);

    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): running\n"
              "1-1 (QEMU USB Keyboard): running\n"
              "1-2 (QEMU USB Hub): running\n"
              "1-2.1 (QEMU USB Keyboard): running\n"
              "1-2.2 (QEMU USB Mouse): disabled\n"
              "1-2.3 (QEMU USB Hub): running\n"
              "1-2.3.1 (QEMU USB Tablet): running\n"
              "usb2 (xHCI Host Controller): running\n"
              "usb3 (EHCI Host Controller): running\n"
              "3-1 (QEMU USB HARDDRIVE): running\n"
              "3-2: running\n"
              "11 matching device(s) found.\n");
    EXPECT_EQ(run.writes, (std::vector<std::string>{}));
    EXPECT_FALSE(run.failed);
}

TEST(StatusTest, TellsDisabledRootHubsAndDevicesHeldBackByPolicy) {
    FakeUsbTree fake;
    PlugUsbMachine(fake);
    fake.SetAttribute("usb1", "authorized_default", "0");
    fake.SetAttribute("1-2", "authorized", "0");
    fake.React("1-2", "0");
    fake.SetAttribute("usb3", "authorized", "0");
    fake.React("usb3", "0");

    const CommandRun run = RunCommand(ListStatus, fake);

    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): running\n"
              "1-1 (QEMU USB Keyboard): running\n"
              "1-2 (QEMU USB Hub): held back by policy (usb1 authorized_default is 0)\n"
              "usb2 (xHCI Host Controller): running\n"
              "usb3 (EHCI Host Controller): disabled\n"
              "5 matching device(s) found.\n");
}

// Which root hubs a drive in use holds on, and each hub's ports as the hub reports their power,
// or, where no port has `disable`, that none can be switched.
TEST(StatusTest, TellsDrivesHoldingRootHubsOnAndThePortsPower) {
    FakeUsbTree fake;
    fake.GivePortsDisable();
    fake.PlugRootHub(1, "xHCI Host Controller");
    fake.PlugDevice("1-1", "USB Hub");
    fake.PlugDevice("1-1.2", "Ultra");
    fake.SetAttribute("1-1", "1-1:1.0/1-1-port1/disable", "1");
    fake.PlugBlockDevice("1-1.2", "sdb", "8:16");
    fake.PlugBlockDevice("1-1.2", "sdb1", "8:17", "sdb");
    fake.Mount("8:17", "/media/ann/STICK", "/dev/sdb1");
    fake.SwapOn("/dev/sdb");
    FakeUsbTree before6;
    before6.PlugRootHub(1, "xHCI Host Controller");
    std::filesystem::create_directories(before6.Entry("usb1") / "1-0:1.0" / "usb1-port1");

    const CommandRun run = RunCommand(ListStatus, fake);

    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): running, held on: sdb (Ultra) is an active swap "
              "area; sdb1 (Ultra) is mounted at /media/ann/STICK\n"
              "usb1 ports (power as the hub reports it): 1 on\n"
              "1-1 (USB Hub): running\n"
              "1-1 ports (power as the hub reports it): 1 off, 2 on\n"
              "1-1.2 (Ultra): running\n"
              "3 matching device(s) found.\n");
    EXPECT_NE(RunCommand(ListStatus, before6).out.find("No hub port can be switched here"),
              std::string::npos);
}

TEST(StatusTest, NoUsbAtAllFindsNoDevice) {
    FakeUsbTree fake;
    fs::remove_all(fake.Root() / "bus");

    const CommandRun run = RunCommand(ListStatus, fake);

    EXPECT_EQ(run.out, "0 matching device(s) found.\n");
    EXPECT_FALSE(run.failed);
}

TEST(StatusTest, UnlistableDeviceFolderIsAFailure) {
    FakeUsbTree fake;
    const fs::path devices = fake.Root() / "bus" / "usb" / "devices";
    fs::remove_all(devices);
    { std::ofstream notAFolder(devices); }

    const CommandRun run = RunCommand(ListStatus, fake);

    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
              "devcon.exe: cannot list " + devices.string() + ": Not a directory");
}

// A device chooses its own product string: what it says reaches the terminal escaped.
TEST(StatusTest, PrintsNoControlCharacterThatADeviceSends) {
    FakeUsbTree fake;
    fake.PlugRootHub(1, "xHCI Host Controller");
    fake.PlugDevice("1-1", "Stick\x1b]0;owned\x07\x1b[2J");

    const CommandRun run = RunCommand(ListStatus, fake);

    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): running\n"
              "1-1 (Stick\\x1b]0;owned\\x07\\x1b[2J): running\n"
              "2 matching device(s) found.\n");
}

}  // namespace
