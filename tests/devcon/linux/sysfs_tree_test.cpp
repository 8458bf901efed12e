#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/linux/SysfsTree.h"
#include "tests/devcon/linux/FakeUsbTree.h"

namespace fs = std::filesystem;

namespace {

std::string FileContent(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(SysfsTreeTest, RootIsSysUnlessTheEnvironmentNamesAnother) {
    const char* saved = std::getenv("VANTREL_SYSFS_ROOT");
    const std::string restore = saved ? saved : "";

    unsetenv("VANTREL_SYSFS_ROOT");
    EXPECT_EQ(SysfsTree::RootFromEnvironment(), fs::path("/sys"));
    setenv("VANTREL_SYSFS_ROOT", "", 1);
    EXPECT_EQ(SysfsTree::RootFromEnvironment(), fs::path("/sys"));
    setenv("VANTREL_SYSFS_ROOT", "/tmp/elsewhere", 1);
    EXPECT_EQ(SysfsTree::RootFromEnvironment(), fs::path("/tmp/elsewhere"));
    EXPECT_EQ(SysfsTree(SysfsTree::RootFromEnvironment()).DevicesFolder(),
              fs::path("/tmp/elsewhere/bus/usb/devices"));

    if (saved) {
        setenv("VANTREL_SYSFS_ROOT", restore.c_str(), 1);
    } else {
        unsetenv("VANTREL_SYSFS_ROOT");
    }
}

TEST(SysfsTreeTest, ListsDevicesInOrderWithoutInterfacesOrStrayNames) {
    FakeUsbTree fake;
    fake.PlugRootHub(2, "");
    fake.PlugDevice("2-1");
    fake.PlugRootHub(1, "");
    fake.PlugDevice("1-10");
    fake.PlugDevice("1-2");
    fake.PlugDevice("1-2.1", "", 2);
    fs::create_directory(fake.Entry("stray"));

    const SysfsTree::Listing listing = SysfsTree(fake.Root()).ListDevices();

    EXPECT_EQ(listing.error, 0);
    EXPECT_EQ(listing.devices,
              (std::vector<std::string>{"usb1", "1-2", "1-2.1", "1-10", "usb2", "2-1"}));
}

TEST(SysfsTreeTest, ReadsValuesWithoutTheirNewline) {
    FakeUsbTree fake;
    fake.PlugRootHub(1, "xHCI Host Controller");

    const SysfsTree tree(fake.Root());

    EXPECT_EQ(tree.Read("usb1", "product").value, "xHCI Host Controller");
    EXPECT_EQ(tree.Read("usb1", "authorized").value, "1");
    EXPECT_EQ(tree.Read("usb1", "authorized").error, 0);
    EXPECT_EQ(tree.Read("usb9", "authorized").error, ENOENT);
}

TEST(SysfsTreeTest, WritesTheValueAsOneLineAndTellsTheError) {
    FakeUsbTree fake;
    fake.PlugRootHub(1, "");
    std::vector<std::string> observed;
    SysfsTree tree(fake.Root());
    tree.ObserveWrites([&](const std::string& entry, std::string_view attribute,
                           std::string_view value, int error) {
        observed.push_back(entry + "/" + std::string(attribute) + "=" + std::string(value) + " " +
                           std::to_string(error));
    });

    EXPECT_EQ(tree.Write("usb1", "authorized", "0"), 0);
    EXPECT_EQ(FileContent(fake.Entry("usb1") / "authorized"), "0\n");
    EXPECT_EQ(tree.Write("usb7", "authorized", "1"), ENOENT);
    EXPECT_FALSE(fs::exists(fake.Entry("usb7")));

    EXPECT_EQ(observed, (std::vector<std::string>{"usb1/authorized=0 0",
                                                  "usb7/authorized=1 " + std::to_string(ENOENT)}));
}

TEST(SysfsTreeTest, VanishedMeansGoneOrNoLongerADevice) {
    EXPECT_TRUE(IsVanished(ENOENT));
    EXPECT_TRUE(IsVanished(ENODEV));
    EXPECT_FALSE(IsVanished(0));
    EXPECT_FALSE(IsVanished(EACCES));
    EXPECT_FALSE(IsVanished(EIO));
}

}  // namespace
