#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "devcon/CommandLine.h"

namespace {

std::optional<Command> Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "devcon.exe");
    return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLineTest, TheThreeCommands) {
    EXPECT_EQ(Parse({"enable", "@USB\\*"}), Command::Enable);
    EXPECT_EQ(Parse({"disable", "@USB\\*"}), Command::Disable);
    EXPECT_EQ(Parse({"status", "@USB\\*"}), Command::Status);
}

TEST(CommandLineTest, CaseDoesNotMatter) {
    EXPECT_EQ(Parse({"ENABLE", "@usb\\*"}), Command::Enable);
    EXPECT_EQ(Parse({"Disable", "@Usb\\*"}), Command::Disable);
}

TEST(CommandLineTest, AnythingElseIsAUsageError) {
    const std::vector<std::vector<const char*>> wrong{
        {},
        {"enable"},
        {"@USB\\*"},
        {"enable", "@USB\\*", "extra"},
        {"restart", "@USB\\*"},
        {"enable", "USB\\*"},
        {"enable", "@USB*"},
        {"enable", "@USB\\\\*"},
        {"enable", "@USB\\"},
        {"enable", "@PCI\\*"},
        {"enable", "*"},
        {"enable", "@USB\\* "},
        {"enable @USB\\*"},
        {"/?"},
        {"--help"},
    };
    for (const auto& args : wrong) {
        EXPECT_EQ(Parse(args), std::nullopt) << args.size() << " argument(s)";
    }
}

TEST(CommandLineTest, UsageNamesTheCommandsAndExitCodes) {
    const std::string_view usage = UsageText();
    for (const char* text :
         {"enable @USB\\*", "disable @USB\\*", "status @USB\\*", "0 done", "2 failed", "3 usage"}) {
        EXPECT_NE(usage.find(text), std::string_view::npos) << text;
    }
}

}  // namespace
