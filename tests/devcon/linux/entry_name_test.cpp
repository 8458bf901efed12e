#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/linux/UsbEntryName.h"

namespace {

TEST(UsbEntryNameTest, RootHubs) {
    const auto usb3 = ParseUsbDeviceName("usb3");
    ASSERT_TRUE(usb3);
    EXPECT_TRUE(usb3->IsRootHub());
    EXPECT_EQ(usb3->bus, 3);
    EXPECT_EQ(usb3->RootHub(), "usb3");
    EXPECT_EQ(ParseUsbDeviceName("usb12")->bus, 12);
}

TEST(UsbEntryNameTest, DevicesBelowRootHubs) {
    const auto device = ParseUsbDeviceName("2-1.4.3");
    ASSERT_TRUE(device);
    EXPECT_FALSE(device->IsRootHub());
    EXPECT_EQ(device->bus, 2);
    EXPECT_EQ(device->ports, (std::vector<int>{1, 4, 3}));
    EXPECT_EQ(device->RootHub(), "usb2");
}

TEST(UsbEntryNameTest, InterfacesAndOtherNamesAreNoDevices) {
    for (const char* name : {"1-0:1.0", "1-2:1.0", "1-2.3.1:1.1", "usb", "usbx", "usb1:1.0", "1-",
                             "-1", "1-2.", "1-.2", "x-1", "1-a", "1--2", "uevent", ""}) {
        EXPECT_FALSE(ParseUsbDeviceName(name)) << name;
    }
}

TEST(UsbEntryNameTest, ParentsSortBeforeChildrenAndNumbersByValue) {
    std::vector<std::string> names{"usb10", "2-1",  "1-10",   "1-2.1",   "usb2", "1-2",
                                   "1-9",   "usb1", "1-2.10", "1-2.9.1", "10-1"};
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return *ParseUsbDeviceName(a) < *ParseUsbDeviceName(b);
    });
    EXPECT_EQ(names, (std::vector<std::string>{"usb1", "1-2", "1-2.1", "1-2.9.1", "1-2.10", "1-9",
                                               "1-10", "usb2", "2-1", "usb10", "10-1"}));
}

}  // namespace
