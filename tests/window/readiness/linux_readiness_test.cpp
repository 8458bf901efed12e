#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <set>

#include "tests/devcon/linux/FakeUsbTree.h"
#include "window/readiness/LinuxReadiness.h"

namespace fs = std::filesystem;

namespace {

// The system as the test sets it up: access(2) on the real files, except those it refuses, and
// a group vantrel, a user and the process's groups of the test's choosing.
struct StandInAccess final : ProcessAccess {
    std::set<fs::path> refused;
    int refusal = EACCES;
    std::optional<Group> vantrel;
    User user{"alice", 1000};
    std::vector<gid_t> processGroups{1000};

    int Access(const fs::path& path, int mode) const override {
        if (refused.contains(path)) {
            return refusal;
        }
        return access(path.c_str(), mode) == 0 ? 0 : errno;
    }
    std::vector<gid_t> ProcessGroups() const override { return processGroups; }
    std::optional<Group> LookUpGroup(const std::string& name) const override {
        return name == "vantrel" ? vantrel : std::nullopt;
    }
    User CurrentUser() const override { return user; }
};

// A program folder with an executable devcon.exe, beside a tree of two root hubs and a keyboard
// whose authorized files are as the udev rule leaves them: the test's own group stands for
// vantrel, and may write.
struct Machine {
    FakeUsbTree tree;
    fs::path program;
    std::optional<fs::path> devcon;
    fs::path usb2;
    gid_t usbGroup = 0;
    StandInAccess system;

    Machine() {
        tree.PlugRootHub(1, "EHCI Host Controller");
        tree.PlugRootHub(2, "xHCI Host Controller");
        tree.PlugDevice("2-1", "Keyboard");
        std::string pattern = (fs::temp_directory_path() / "vantrel-program-XXXXXX").string();
        program = mkdtemp(pattern.data());
        devcon = program / "devcon.exe";
        std::ofstream(*devcon) << "#!/bin/sh\n";
        fs::permissions(*devcon, fs::perms(0755));
        usb2 = tree.Entry("usb2") / "authorized";
        struct stat status {};
        EXPECT_EQ(stat(usb2.c_str(), &status), 0);
        usbGroup = status.st_gid;
        fs::permissions(usb2, fs::perms::group_write, fs::perm_options::add);
        system.vantrel = ProcessAccess::Group{usbGroup, {"bob"}};
    }
    ~Machine() { fs::remove_all(program); }
};

// For each state, the first cause the check finds, and what the notice then says: "{folder}"
// stands for the program's folder, "{usb2}" for usb2's authorized file, "{devices}" for the
// tree's bus/usb/devices.
struct Case {
    const char* name;
    std::function<void(Machine&)> setUp;
    Readiness found;
    std::vector<std::string> says;
};

const std::vector<Case> kCases = {
    {"ready", [](Machine&) {}, {}, {}},
    {"tool missing",
     [](Machine& m) { fs::remove(*m.devcon); },
     {Cause::ToolMissing, "{folder}", "", 0},
     {"devcon.exe", "{folder}"}},
    {"folder too deep",
     [](Machine& m) { m.devcon.reset(); },
     {Cause::FolderTooDeep, "", "", 0},
     {"too deep"}},
    {"tool not executable",
     [](Machine& m) { fs::permissions(*m.devcon, fs::perms(0644)); },
     {Cause::ToolMissing, "{folder}", "", 0},
     {"devcon.exe", "{folder}"}},
    {"no root hub",
     [](Machine& m) {
         m.tree.Remove("usb1");
         m.tree.Remove("usb2");
     },
     {Cause::NoRootHub, "{devices}", "", 0},
     {"no USB root hub"}},
    {"files not group vantrel",
     [](Machine& m) {
         m.system.refused = {m.usb2};
         m.system.vantrel->gid = m.usbGroup + 1;
     },
     {Cause::RuleMissing, "{usb2}", "", EACCES},
     {"{usb2}", "not writable by group vantrel", "70-vantrel-usb-authorized.rules",
      "\"man vantrel\", section PERMISSIONS"}},
    {"user not a member",
     [](Machine& m) { m.system.refused = {m.usb2}; },
     {Cause::NotInGroup, "{usb2}", "alice", EACCES},
     {"alice is not in group vantrel", "\"sudo adduser alice vantrel\"", "log out and in again"}},
    {"member since login",
     [](Machine& m) {
         m.system.refused = {m.usb2};
         m.system.vantrel->members.push_back("alice");
     },
     {Cause::GroupNotYetActive, "{usb2}", "alice", EACCES},
     {"alice has joined group vantrel since logging in",
      "Log out and in again, or restart the computer."}},
    {"refused otherwise",
     [](Machine& m) {
         m.system.refused = {m.usb2};
         m.system.refusal = EROFS;
         m.system.vantrel->members.push_back("alice");
         m.system.processGroups.push_back(m.usbGroup);
     },
     {Cause::CannotWrite, "{usb2}", "alice", EROFS},
     {"{usb2}", "Read-only file system (errno 30)"}},
};

std::string Placed(std::string text, const Machine& m) {
    const SysfsTree tree(m.tree.Root());
    for (const auto& [name, path] : {std::pair<std::string, fs::path>{"{folder}", m.program},
                                     {"{usb2}", m.usb2},
                                     {"{devices}", tree.DevicesFolder()}}) {
        if (const std::size_t at = text.find(name); at != std::string::npos) {
            text.replace(at, name.size(), path.string());
        }
    }
    return text;
}

TEST(LinuxReadinessTest, FindsTheFirstCauseAndTheNoticeNamesItAndTheFix) {
    for (const Case& c : kCases) {
        Machine m;
        c.setUp(m);
        const Readiness found = CheckReadiness(m.devcon, SysfsTree(m.tree.Root()), m.system);
        EXPECT_EQ(found.cause, c.found.cause) << c.name;
        EXPECT_EQ(found.path, Placed(c.found.path, m)) << c.name;
        EXPECT_EQ(found.user, c.found.user) << c.name;
        EXPECT_EQ(found.error, c.found.error) << c.name;

        const std::string text = NoticeText(found);
        if (c.says.empty()) {
            EXPECT_EQ(text, "") << c.name;
            continue;
        }
        for (const std::string& expected : c.says) {
            EXPECT_NE(text.find(Placed(expected, m)), std::string::npos)
                << c.name << ": " << text << "\nlacks: " << Placed(expected, m);
        }
        // The cause, then the fix.
        const std::size_t gap = text.find("\n\n");
        EXPECT_NE(gap, std::string::npos) << c.name;
        EXPECT_EQ(text.find("\n\n", gap + 1), std::string::npos) << c.name;
    }
}

}  // namespace
