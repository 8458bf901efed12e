// The documents quote the program's own texts and numbers: each quote is checked against the code
// that holds it, so that a change in one fails here until the documents say it too.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "panel/Form1.h"
#include "window/readiness/NoticeText.h"

namespace {

// The document's text with every run of white space, line ends included, as one space.
std::string Document(const std::string& name) {
    std::ifstream file(std::string(VANTREL_SOURCE_DIR) + "/" + name);
    EXPECT_TRUE(file) << name;
    std::string text;
    for (std::string word; file >> word;) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

// The text as the documents quote it: each paragraph in quotes, one space apart.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\n\n", from)) != std::string::npos; from = at + 2) {
        quoted += text.substr(from, at - from) + "\" \"";
    }
    return quoted + text.substr(from) + "\"";
}

std::string Words(int number) {
    static const std::vector<std::string> kWords = {
        "zero",     "one",     "two",     "three",     "four",     "five",     "six",
        "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",   "thirteen",
        "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen", "twenty"};
    EXPECT_LT(number, static_cast<int>(kWords.size())) << "say it in digits in the documents";
    return number < static_cast<int>(kWords.size()) ? kWords[number] : std::to_string(number);
}

TEST(DocsTest, NoticesPageQuotesEveryNoticeAtStart) {
    const std::string page = Document("docs/notices.md");
    const std::vector<Readiness> causes = {
        {Cause::FolderTooDeep, "", "", 0},
        {Cause::ToolMissing, "FOLDER", "", 0},
#ifdef _WIN32
        {Cause::NoRootHub, "", "", 0},
        {Cause::NotElevated, "", "", 0},
#else
        {Cause::NoRootHub, "FOLDER", "", 0},     {Cause::RuleMissing, "FILE", "", 0},
        {Cause::NotInGroup, "", "USER", 0},      {Cause::GroupNotYetActive, "", "USER", 0},
        {Cause::CannotWrite, "FILE", "", EROFS},
#endif
    };
    for (const Readiness& cause : causes) {
        const std::string quote = Quoted(NoticeText(cause));
        EXPECT_NE(page.find(quote), std::string::npos) << quote;
    }
    for (const std::string_view title :
         {kNoticeTitle, FailureTitle(DeviceVerb::Disable), FailureTitle(DeviceVerb::Enable)}) {
        const std::string quote = Quoted(std::string(title));
        EXPECT_NE(page.find(quote), std::string::npos) << quote;
    }
}

TEST(DocsTest, DocumentsTellTheBurstAsForm1RunsIt) {
    const int burstSeconds = Form1::kBurstTicks * Form1::kBurstIntervalMs / 1000;
    const int usbOnRuns = Form1::kEnablesAtOnce + Form1::kBurstTicks;
    ASSERT_EQ(Form1::kBurstIntervalMs, 500) << "say the new interval in the documents, and here";
    const std::vector<std::pair<std::string, std::string>> quotes = {
        {"README.md", "every half second for " + Words(burstSeconds) + " seconds"},
        {"README.md", "on again half a second later"},
        {"docs/notices.md", "a burst of " + std::to_string(usbOnRuns) + " failing enables"},
        {"docs/windows.md", Words(usbOnRuns) + " launches of one \"USB On\""},
        {"docs/testing.md", "one \"USB On\" (" + Words(Form1::kEnablesAtOnce) + " launches)"},
        {"docs/testing.md", Words(Form1::kBurstTicks) +
                                " burst launches after \"USB On\" against " +
                                std::to_string(Form1::kBurstIntervalMs) + " ms"},
        {"docs/testing.md", "one \"USB On\" (" + std::to_string(usbOnRuns) + " runs"},
    };
    for (const auto& [name, quote] : quotes) {
        EXPECT_NE(Document(name).find(quote), std::string::npos) << name << ": " << quote;
    }
}

}  // namespace
