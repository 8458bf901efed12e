#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devcon/Report.h"
#include "tests/devcon/StringOutput.h"
#include "window/readiness/NoticeContent.h"
#include "window/readiness/NoticeText.h"

namespace {

// What the one notice says after the runs given, in order.
struct Case {
    const char* name;
    std::vector<DevconResult> runs;
    std::string title;
    std::string text;
};

const std::string kVetoed = "devcon.exe: usb1: cannot disable: CR_REMOVE_VETOED (0x17)";
const std::string kFix = "devcon.exe: to fix: close files on USB drives and try again.";

TEST(NoticeContentTest, SaysEachLineOnceWithHowManyRunsSaidIt) {
    const DevconResult off{DeviceVerb::Disable, kVetoed + "\r\n" + kFix + "\r\n" + kVetoed + "\n",
                           2};
    const std::vector<Case> cases = {
        {"success says nothing", {{DeviceVerb::Enable, "", 0}}, "", ""},
        {"twice the same, fix last",
         {off, off},
         "Vantrel: switching USB devices off failed",
         kVetoed + " (2 times)\n\n" + kFix},
        {"title from the first failure",
         {{DeviceVerb::Enable, "", 0}, {DeviceVerb::Enable, "", 1}, off},
         "Vantrel: switching USB devices on failed",
         "Windows finishes switching USB devices on only when it restarts: restart Windows to "
         "finish.\n" +
             kVetoed + "\n\n" + kFix},
        {"a crash named by its exit code",
         {{DeviceVerb::Disable, "", 0xC0000005}},
         "Vantrel: switching USB devices off failed",
         "devcon.exe ended with exit code 3221225477 (0xC0000005) while switching USB devices "
         "off, without saying why: it may have crashed. Try again; if it happens again, install "
         "Vantrel again."},
    };
    for (const Case& c : cases) {
        NoticeContent content;
        for (const DevconResult& run : c.runs) {
            content.AddRun(run);
        }
        EXPECT_EQ(content.Empty(), c.text.empty()) << c.name;
        EXPECT_EQ(content.Title(), c.title.empty() ? std::string(kNoticeTitle) : c.title) << c.name;
        EXPECT_EQ(content.Text(), c.text) << c.name;
    }
}

TEST(NoticeContentTest, KeepsTheStartUpTextOnTopAndLeavesOutLinesBeyondAScreenful) {
    NoticeContent content;
    content.SetReadiness("Why not.\n\nThe fix.");
    for (int line = 0; line < 40; ++line) {
        content.AddRun({DeviceVerb::Enable, "line " + std::to_string(line) + "\n", {}});
    }
    const std::string text = content.Text();
    EXPECT_EQ(text.rfind("Why not.\n\nThe fix.\n\nline 0\n", 0), 0u) << text;
    EXPECT_NE(text.find("\nline 29\n... and 10 more line(s)"), std::string::npos) << text;
    content.Clear();
    EXPECT_TRUE(content.Empty());
}

// Two runs of the tool's own report, each with its failure and its fix: the notice tells the
// fix once, after both failures.
TEST(NoticeContentTest, TellsTheToolsFixesAfterItsFailures) {
    NoticeContent content;
    for (const char* hub : {"usb1", "usb2"}) {
        StringOutput out;
        StringOutput err;
        Report report(out, err);
        report.Failure(std::string(hub) + ": cannot write 0 to authorized", "Permission denied",
                       "join group vantrel");
        report.Fixes();
        content.AddRun({DeviceVerb::Disable, err.text, report.ExitCode()});
    }
    EXPECT_EQ(content.Text(),
              "devcon.exe: usb1: cannot write 0 to authorized: Permission denied\n"
              "devcon.exe: usb2: cannot write 0 to authorized: Permission denied\n\n"
              "devcon.exe: to fix: join group vantrel.");
}

}  // namespace
