#include <gtest/gtest.h>

#include <string>

#include "devcon/DeviceText.h"

namespace {

TEST(DeviceTextTest, ControlsAreEscapedBadUtf8ReplacedAndLongTextCut) {
    const std::string a127(127, 'a');
    const struct {
        std::string raw;
        std::string printable;
    } cases[] = {
        {"QEMU USB Keyboard", "QEMU USB Keyboard"},
        {"Stick\x1b]0;owned\x07\x1b[2J", "Stick\\x1b]0;owned\\x07\\x1b[2J"},
        {"tab\tnew\nline\r\x7f", "tab\\x09new\\x0aline\\x0d\\x7f"},
        {"csi \xc2\x9b"
         "31m",
         "csi \\u009b31m"},                                 // C1 CSI, as UTF-8
        {"evil\xe2\x80\xaegnp.exe", "evil\\u202egnp.exe"},  // right-to-left override
        {"Kbd\xe2\x80\xa8"
         "devcon.exe: to fix\xe2\x80\xa9",
         "Kbd\\u2028devcon.exe: to fix\\u2029"},
        {"\xe2\x80\x8e\xe2\x80\x8f\xd8\x9c\xef\xbb\xbf", "\\u200e\\u200f\\u061c\\ufeff"},
        {"Cl\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8c", "Cl\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8c"},
        {"raw \x9b byte", "raw \xef\xbf\xbd byte"},  // C1 as a bare Latin-1 byte
        {"cut \xe2\x82", "cut \xef\xbf\xbd"},        // sequence cut short
        {"\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80",   // overlong, surrogate, > U+10FFFF
         "\xef\xbf\xbd\xef\xbf\xbd \xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd "
         "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {std::string(128, 'x'), std::string(128, 'x')},
        {a127 + "\xc3\xa9\xc3\xa9", a127 + "\xc3\xa9\xe2\x80\xa6"},  // cut by characters
        {std::string(100000, '\x1b'),
         [] {
             std::string escapes;
             for (int i = 0; i < 128; ++i) {
                 escapes += "\\x1b";
             }
             return escapes + "\xe2\x80\xa6";
         }()},
    };
    for (const auto& [raw, printable] : cases) {
        EXPECT_EQ(PrintableDeviceText(raw), printable) << raw.substr(0, 40);
    }
}

}  // namespace
