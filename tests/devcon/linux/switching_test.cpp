#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "devcon/linux/Switching.h"
#include "tests/devcon/linux/CommandRun.h"
#include "tests/devcon/linux/FakeUsbTree.h"
#include "tests/devcon/linux/UsbMachine.h"

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

class SwitchingTest : public ::testing::Test {
  protected:
    FakeUsbTree fake;
    Strings everything;  // every entry of the running machine, interfaces included

    void SetUp() override {
        PlugUsbMachine(fake);
        everything = fake.Entries();
    }

    // Every entry of the machine is there, running, with its interfaces.
    void ExpectAllRunning() {
        EXPECT_EQ(fake.Entries(), everything);
        for (const std::string& entry : everything) {
            EXPECT_EQ(fake.Authorized(entry), "1") << entry;
        }
    }
};

TEST_F(SwitchingTest, DisableSwitchesOffEveryRootHubInBusOrderAndNothingElse) {
    const CommandRun run = RunCommand(DisableAll, fake);

    EXPECT_EQ(run.writes, (Strings{"usb1=0", "usb2=0", "usb3=0"}));
    EXPECT_EQ(fake.Entries(), (Strings{"usb1", "usb2", "usb3"}));
    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): disabled\n"
              "usb2 (xHCI Host Controller): disabled\n"
              "usb3 (EHCI Host Controller): disabled\n"
              "3 device(s) disabled.\n");
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(run.failed);
}

TEST_F(SwitchingTest, DisableLeavesRootHubsThatAreOffAlone) {
    fake.SetAttribute("usb2", "authorized", "0");

    const CommandRun run = RunCommand(DisableAll, fake);

    EXPECT_EQ(run.writes, (Strings{"usb1=0", "usb3=0"}));
    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): disabled\n"
              "usb3 (EHCI Host Controller): disabled\n"
              "2 device(s) disabled.\n");
}

TEST_F(SwitchingTest, DisableTwiceChangesNothingTheSecondTime) {
    RunCommand(DisableAll, fake);
    const CommandRun again = RunCommand(DisableAll, fake);

    EXPECT_EQ(again.writes, Strings{});
    EXPECT_EQ(again.out, "0 device(s) disabled.\n");
    EXPECT_FALSE(again.failed);
}

TEST_F(SwitchingTest, RootHubsSortByNumberNotByName) {
    fake.PlugRootHub(10, "Tenth");
    fake.PlugRootHub(4, "Fourth");

    const CommandRun run = RunCommand(DisableAll, fake);

    EXPECT_EQ(run.writes, (Strings{"usb1=0", "usb2=0", "usb3=0", "usb4=0", "usb10=0"}));
}

TEST_F(SwitchingTest, EnableAfterDisableBringsBackEveryDevice) {
    RunCommand(DisableAll, fake);

    const CommandRun run = RunCommand(EnableAll, fake);

    EXPECT_EQ(run.writes, (Strings{"usb1=1", "usb2=1", "usb3=1"}));
    ExpectAllRunning();
    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): enabled\n"
              "usb2 (xHCI Host Controller): enabled\n"
              "usb3 (EHCI Host Controller): enabled\n"
              "3 device(s) enabled.\n");
    EXPECT_FALSE(run.failed);
}

TEST_F(SwitchingTest, EnableWhenAllRunWritesNothing) {
    const CommandRun run = RunCommand(EnableAll, fake);

    EXPECT_EQ(run.writes, Strings{});
    EXPECT_EQ(run.out, "0 device(s) enabled.\n");
    ExpectAllRunning();
}

TEST_F(SwitchingTest, EnableSwitchesOnDevicesThatAreOffOneByOneAfterTheRootHubs) {
    fake.SetAttribute("usb3", "authorized", "0");
    fake.React("usb3", "0");
    fake.SetAttribute("1-2.3", "authorized", "0");
    fake.React("1-2.3", "0");
    fake.SetAttribute("1-1", "authorized", "0");
    fake.React("1-1", "0");

    const CommandRun run = RunCommand(EnableAll, fake);

    EXPECT_EQ(run.writes, (Strings{"usb3=1", "1-1=1", "1-2.3=1"}));
    ExpectAllRunning();
    EXPECT_EQ(run.out,
              "usb3 (EHCI Host Controller): enabled\n"
              "1-1 (QEMU USB Keyboard): enabled\n"
              "1-2.3 (QEMU USB Hub): enabled\n"
              "3 device(s) enabled.\n");
}

TEST_F(SwitchingTest, EnableLeavesInterfacesAlone) {
    fake.SetAttribute("1-2.2:1.0", "authorized", "0");
    fake.SetAttribute("3-0:1.0", "authorized", "0");

    const CommandRun run = RunCommand(EnableAll, fake);

    EXPECT_EQ(run.writes, Strings{});
    EXPECT_EQ(fake.Authorized("1-2.2:1.0"), "0");
    EXPECT_EQ(fake.Authorized("3-0:1.0"), "0");
}

TEST_F(SwitchingTest, DevicesHeldBackByPolicyStayOffAndAreNamed) {
    fake.SetAttribute("usb1", "authorized_default", "0");
    RunCommand(DisableAll, fake);
    // The first enable brings the root hubs back; below usb1 the devices come back off.
    RunCommand(EnableAll, fake);
    ASSERT_EQ(fake.Authorized("1-1"), "0");
    ASSERT_EQ(fake.Authorized("1-2"), "0");
    ASSERT_FALSE(fake.Exists("1-2.1"));  // below a hub that is not configured

    const CommandRun run = RunCommand(EnableAll, fake);

    EXPECT_EQ(run.writes, Strings{});
    EXPECT_EQ(fake.Authorized("1-1"), "0");
    EXPECT_EQ(fake.Authorized("1-2"), "0");
    EXPECT_EQ(run.out,
              "1-1 (QEMU USB Keyboard): held back by policy (usb1 authorized_default is 0)\n"
              "1-2 (QEMU USB Hub): held back by policy (usb1 authorized_default is 0)\n"
              "0 device(s) enabled.\n"
              "2 device(s) held back by policy.\n");
    EXPECT_FALSE(run.failed);
}

TEST_F(SwitchingTest, PolicyOfOneRootHubDoesNotHoldBackDevicesOfAnother) {
    fake.SetAttribute("usb1", "authorized_default", "2");  // internal ports only
    fake.SetAttribute("1-1", "authorized", "0");
    fake.React("1-1", "0");
    fake.SetAttribute("3-1", "authorized", "0");
    fake.React("3-1", "0");

    const CommandRun run = RunCommand(EnableAll, fake);

    EXPECT_EQ(run.writes, Strings{"3-1=1"});
    EXPECT_EQ(fake.Authorized("1-1"), "0");
    EXPECT_EQ(fake.Authorized("3-1"), "1");
    EXPECT_EQ(run.out,
              "1-1 (QEMU USB Keyboard): held back by policy (usb1 authorized_default is 2)\n"
              "3-1 (QEMU USB HARDDRIVE): enabled\n"
              "1 device(s) enabled.\n"
              "1 device(s) held back by policy.\n");
}

TEST_F(SwitchingTest, RootHubThatVanishesBeforeItsTurnIsNoError) {
    const CommandRun run = RunCommand(DisableAll, fake, [&](const std::string& entry, auto) {
        if (entry == "usb1") {
            fake.Remove("usb2");  // its controller went away
        }
    });

    EXPECT_EQ(run.writes, (Strings{"usb1=0", "usb3=0"}));
    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): disabled\n"
              "usb3 (EHCI Host Controller): disabled\n"
              "2 device(s) disabled.\n");
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(run.failed);
}

TEST_F(SwitchingTest, DeviceThatVanishesBeforeItsTurnIsNoError) {
    for (const char* entry : {"1-1", "1-2.2", "3-1"}) {
        fake.SetAttribute(entry, "authorized", "0");
        fake.React(entry, "0");
    }

    const CommandRun run = RunCommand(EnableAll, fake, [&](const std::string& entry, auto) {
        if (entry == "1-1") {
            fake.Remove("1-2.2");  // unplugged
        }
    });

    EXPECT_EQ(run.writes, (Strings{"1-1=1", "3-1=1"}));
    EXPECT_EQ(run.out,
              "1-1 (QEMU USB Keyboard): enabled\n"
              "3-1 (QEMU USB HARDDRIVE): enabled\n"
              "2 device(s) enabled.\n");
    EXPECT_FALSE(run.failed);
}

TEST_F(SwitchingTest, DeviceWhoseRootHubVanishesIsNoError) {
    fake.SetAttribute("3-1", "authorized", "0");
    fake.React("3-1", "0");
    fake.SetAttribute("1-1", "authorized", "0");
    fake.React("1-1", "0");

    const CommandRun run = RunCommand(EnableAll, fake, [&](const std::string& entry, auto) {
        if (entry == "1-1") {
            fake.Remove("usb3");  // the EHCI controller went away; 3-1 is left over
        }
    });

    EXPECT_EQ(run.writes, Strings{"1-1=1"});
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(run.failed);
}

TEST_F(SwitchingTest, FailedWriteNamesTheDeviceFileAndErrorAndTheOthersGoOn) {
    // Reads as zero bytes, refuses every write with ENOSPC.
    fs::remove(fake.Entry("usb2") / "authorized");
    fs::create_symlink("/dev/full", fake.Entry("usb2") / "authorized");

    const CommandRun run = RunCommand(DisableAll, fake);

    EXPECT_EQ(run.writes, (Strings{"usb1=0", "usb2=0", "usb3=0"}));
    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.err,
              "devcon.exe: usb2: cannot write 0 to " +
                  (fake.Entry("usb2") / "authorized").string() +
                  ": No space left on device\n"
                  "devcon.exe: to fix: the kernel's log (dmesg) may tell why it refused.\n");
    EXPECT_EQ(run.out,
              "usb1 (xHCI Host Controller): disabled\n"
              "usb3 (EHCI Host Controller): disabled\n"
              "2 device(s) disabled.\n");
}

TEST_F(SwitchingTest, UnreadableStateIsAFailure) {
    fs::remove(fake.Entry("usb1") / "authorized");
    fs::create_directory(fake.Entry("usb1") / "authorized");

    const CommandRun run = RunCommand(DisableAll, fake);

    EXPECT_EQ(run.writes, (Strings{"usb2=0", "usb3=0"}));
    EXPECT_TRUE(run.failed);
    EXPECT_NE(run.err.find("devcon.exe: usb1: cannot read " +
                           (fake.Entry("usb1") / "authorized").string() + ": Is a directory\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("refused"), std::string::npos) << run.err;
}

TEST(SwitchingWithoutUsb, UnlistableFolderIsReportedOncePerRun) {
    FakeUsbTree fake;
    const fs::path devices = fake.Root() / "bus" / "usb" / "devices";
    fs::remove_all(devices);
    { std::ofstream notAFolder(devices); }

    const CommandRun run = RunCommand(EnableAll, fake);

    const std::string line = "devcon.exe: cannot list " + devices.string() + ": Not a directory\n";
    EXPECT_EQ(run.err.find(line), run.err.rfind(line)) << run.err;
    EXPECT_NE(run.err.find(line), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("refused"), std::string::npos) << run.err;
}

constexpr const char* kEject =
    "devcon.exe: to fix: unmount the drive or eject it (the file manager's Eject does it, and "
    "writes what is left first), then switch USB off again.\n";

// The stick 3-1 below usb3 holds sda and its partitions sda1 and sda2; 1-2.1 below usb1 holds sdb.
struct DriveCase {
    const char* name;
    void (*use)(FakeUsbTree&);
    Strings writes;
    std::string err;
};

const DriveCase kDriveCases[] = {
    {"nothing in use", [](FakeUsbTree&) {}, {"usb1=0", "usb2=0", "usb3=0"}, ""},
    {"mounted partition",
     [](FakeUsbTree& fake) { fake.Mount("8:1", "/media/ann/MY\\040STICK", "/dev/sda1"); },
     {"usb1=0", "usb2=0"},
     "devcon.exe: usb3: not switched off: sda1 (QEMU USB HARDDRIVE) is mounted at "
     "/media/ann/MY STICK\n" +
         std::string(kEject)},
    {"mounted whole disk",
     [](FakeUsbTree& fake) { fake.Mount("8:0", "/mnt", "/dev/sda"); },
     {"usb1=0", "usb2=0"},
     "devcon.exe: usb3: not switched off: sda (QEMU USB HARDDRIVE) is mounted at /mnt\n" +
         std::string(kEject)},
    {"mount shown by source device only (btrfs)",
     [](FakeUsbTree& fake) { fake.Mount("0:33", "/data", "/dev/sda2"); },
     {"usb1=0", "usb2=0"},
     "devcon.exe: usb3: not switched off: sda2 (QEMU USB HARDDRIVE) is mounted at /data\n" +
         std::string(kEject)},
    {"swap",
     [](FakeUsbTree& fake) { fake.SwapOn("/dev/sda2"); },
     {"usb1=0", "usb2=0"},
     "devcon.exe: usb3: not switched off: sda2 (QEMU USB HARDDRIVE) is an active swap area\n" +
         std::string(kEject)},
    {"holder chain: the system on a mapped device on a partition",
     [](FakeUsbTree& fake) {
         fake.MapBlockDevice("dm-0", "254:0", "sda1");
         fake.Mount("254:0", "/", "/dev/mapper/root");
     },
     {"usb1=0", "usb2=0"},
     "devcon.exe: usb3: not switched off: sda1 (QEMU USB HARDDRIVE) is held by dm-0, which is "
     "mounted at /\n"
     "devcon.exe: to fix: the system runs from that drive: its root hub cannot be switched off "
     "while the system runs from it.\n"},
    {"drive in use on another root hub",
     [](FakeUsbTree& fake) { fake.Mount("8:16", "/mnt", "/dev/sdb"); },
     {"usb2=0", "usb3=0"},
     "devcon.exe: usb1: not switched off: sdb (QEMU USB Keyboard) is mounted at /mnt\n" +
         std::string(kEject)},
    {"mount table unreadable: every drive may be in use",
     [](FakeUsbTree& fake) { fs::remove(fake.Root() / "proc" / "self" / "mountinfo"); },
     {"usb2=0"},
     "devcon.exe: usb3: not switched off: sda (QEMU USB HARDDRIVE) is possibly in use, as "},
};

TEST(SwitchingDrives, RootHubWithADriveInUseBelowItStaysOnAndTheOthersGoOff) {
    for (const DriveCase& drive : kDriveCases) {
        SCOPED_TRACE(drive.name);
        FakeUsbTree machine;
        PlugUsbMachine(machine);
        machine.PlugBlockDevice("3-1", "sda", "8:0");
        machine.PlugBlockDevice("3-1", "sda1", "8:1", "sda");
        machine.PlugBlockDevice("3-1", "sda2", "8:2", "sda");
        machine.PlugBlockDevice("1-2.1", "sdb", "8:16");
        drive.use(machine);

        const CommandRun run = RunCommand(DisableAll, machine);

        EXPECT_EQ(run.writes, drive.writes);
        if (drive.writes.size() == 1) {  // every drive counts as in use: only a substring to check
            EXPECT_NE(run.err.find(drive.err), std::string::npos) << run.err;
        } else {
            EXPECT_EQ(run.err, drive.err);
        }
        EXPECT_EQ(run.failed, !drive.err.empty());
    }
}

// Since kernel 6.0 every hub port has `disable`; usb1 has the hub 1-2, with the hub 1-2.3 behind.
class PortSwitchingTest : public ::testing::Test {
  protected:
    FakeUsbTree fake;

    void SetUp() override {
        fake.GivePortsDisable();
        PlugUsbMachine(fake);
    }
};

TEST_F(PortSwitchingTest, DisableSwitchesOffEveryPortFarthestFirstThenTheRootHubs) {
    const CommandRun run = RunCommand(DisableAll, fake);

    EXPECT_EQ(run.ports, (Strings{"1-2.3-port1=1", "1-2-port1=1", "1-2-port2=1", "1-2-port3=1",
                                  "usb1-port1=1", "usb1-port2=1", "usb2-port1=1", "usb3-port1=1"}));
    EXPECT_EQ(run.writes, (Strings{"usb1=0", "usb2=0", "usb3=0"}));
    EXPECT_EQ(fake.Entries(), (Strings{"usb1", "usb2", "usb3"}));
    EXPECT_NE(run.out.find("1-2.3-port1: switched off\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("8 port(s) switched off.\n3 device(s) disabled.\n"), std::string::npos);
    EXPECT_FALSE(run.failed);
}

TEST_F(PortSwitchingTest, PortsOnTheWayToADriveInUseStayOnAndEnableSwitchesTheOthersBackOn) {
    fake.PlugBlockDevice("1-2.1", "sdb", "8:16");
    fake.Mount("8:16", "/mnt", "/dev/sdb");

    const CommandRun disable = RunCommand(DisableAll, fake);
    const CommandRun enable = RunCommand(EnableAll, fake);

    EXPECT_EQ(disable.ports, (Strings{"1-2.3-port1=1", "1-2-port2=1", "1-2-port3=1", "usb1-port1=1",
                                      "usb2-port1=1", "usb3-port1=1"}));
    EXPECT_EQ(disable.writes, (Strings{"usb2=0", "usb3=0"}));
    EXPECT_TRUE(disable.failed);
    EXPECT_EQ(enable.writes, (Strings{"usb2=1", "usb3=1"}));
    // usb2 and usb3 come back with their ports on; usb1's stayed, to be switched on one by one.
    EXPECT_EQ(enable.ports, (Strings{"usb1-port1=0", "1-2-port2=0", "1-2-port3=0"}));
    EXPECT_TRUE(fake.Exists("1-2.3.1"));
    EXPECT_FALSE(enable.failed);
}

TEST(SwitchingWithoutUsb, NothingToSwitchIsNoError) {
    FakeUsbTree fake;
    fs::remove_all(fake.Root() / "bus");

    const CommandRun disable = RunCommand(DisableAll, fake);
    const CommandRun enable = RunCommand(EnableAll, fake);

    EXPECT_EQ(disable.out, "0 device(s) disabled.\n");
    EXPECT_EQ(enable.out, "0 device(s) enabled.\n");
    EXPECT_FALSE(disable.failed);
    EXPECT_FALSE(enable.failed);
}

}  // namespace
