#include "tests/window/qt/NoticeTest.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>

#include "tests/devcon/linux/FakeUsbTree.h"
#include "tests/window/qt/WindowFixture.h"
#include "window/qt/Notice.h"
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

enum class Setup {
    Ready,
    NoTool,
    FolderTooDeep,
    ToolNotExecutable,
    NoRootHub,
    NotGroupVantrel,
    NotAMember,
    MemberSinceLogin,
    ReadOnly,
};

// A program folder with an executable devcon.exe beside the fake tree.
struct ProgramFolder {
    fs::path path;
    ProgramFolder() {
        std::string pattern = (fs::temp_directory_path() / "vantrel-program-XXXXXX").string();
        path = mkdtemp(pattern.data());
        std::ofstream(path / "devcon.exe") << "#!/bin/sh\n";
        fs::permissions(path / "devcon.exe", fs::perms(0755));
    }
    ~ProgramFolder() { fs::remove_all(path); }
};

}  // namespace

void NoticeTest::namesTheCauseAndTheFix_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QStringList>("says");
    QTest::newRow("ready") << Setup::Ready << QStringList{};
    QTest::newRow("tool missing") << Setup::NoTool << QStringList{"devcon.exe", "{folder}"};
    QTest::newRow("folder too deep") << Setup::FolderTooDeep << QStringList{"too deep"};
    QTest::newRow("tool not executable")
        << Setup::ToolNotExecutable << QStringList{"devcon.exe", "{folder}"};
    QTest::newRow("no root hub") << Setup::NoRootHub << QStringList{"no USB root hub"};
    QTest::newRow("files not group vantrel")
        << Setup::NotGroupVantrel
        << QStringList{"{usb2}", "not writable by group vantrel", "70-vantrel-usb-authorized.rules",
                       "\"man vantrel\", section PERMISSIONS"};
    QTest::newRow("user not a member")
        << Setup::NotAMember
        << QStringList{"alice is not in group vantrel", "\"sudo adduser alice vantrel\"",
                       "log out and in again"};
    QTest::newRow("member since login")
        << Setup::MemberSinceLogin
        << QStringList{"alice has joined group vantrel since logging in",
                       "Log out and in again, or restart the computer."};
    QTest::newRow("refused otherwise")
        << Setup::ReadOnly << QStringList{"{usb2}", "Read-only file system (errno 30)"};
}

void NoticeTest::namesTheCauseAndTheFix() {
    QFETCH(Setup, setup);
    QFETCH(QStringList, says);

    FakeUsbTree tree;
    tree.PlugRootHub(1, "EHCI Host Controller");
    tree.PlugRootHub(2, "xHCI Host Controller");
    tree.PlugDevice("2-1", "Keyboard");
    ProgramFolder program;
    StandInAccess system;
    const fs::path usb2 = tree.Entry("usb2") / "authorized";
    // As the udev rule leaves it: the test's own group stands for vantrel, and may write.
    struct stat status {};
    QVERIFY(stat(usb2.c_str(), &status) == 0);
    fs::permissions(usb2, fs::perms::group_write, fs::perm_options::add);
    system.vantrel = ProcessAccess::Group{status.st_gid, {"bob"}};

    std::optional<fs::path> devcon = program.path / "devcon.exe";
    switch (setup) {
        case Setup::Ready:
            break;
        case Setup::FolderTooDeep:
            devcon.reset();
            break;
        case Setup::NoTool:
            fs::remove(program.path / "devcon.exe");
            break;
        case Setup::ToolNotExecutable:
            fs::permissions(program.path / "devcon.exe", fs::perms(0644));
            break;
        case Setup::NoRootHub:
            tree.Remove("usb1");
            tree.Remove("usb2");
            break;
        case Setup::NotGroupVantrel:
            system.refused = {usb2};
            system.vantrel->gid = status.st_gid + 1;
            break;
        case Setup::NotAMember:
            system.refused = {usb2};
            break;
        case Setup::MemberSinceLogin:
            system.refused = {usb2};
            system.vantrel->members.push_back("alice");
            break;
        case Setup::ReadOnly:
            system.refused = {usb2};
            system.refusal = EROFS;
            system.vantrel->members.push_back("alice");
            system.processGroups.push_back(status.st_gid);
            break;
    }

    WindowFixture fixture;
    QVERIFY(fixture.ShowActive());
    Notice shown(fixture.window);
    shown.ShowReadiness(NoticeText(CheckReadiness(devcon, SysfsTree(tree.Root()), system)));
    QMessageBox* notice = shown.Box();
    if (says.isEmpty()) {
        QVERIFY(notice == nullptr);
        return;
    }
    QVERIFY(notice != nullptr && notice->isVisible());
    QCOMPARE(notice->windowTitle(), QStringLiteral("Vantrel: USB devices cannot be switched"));
    QVERIFY(!notice->isModal());
    const QString text = notice->text();
    for (QString expected : says) {
        expected.replace("{folder}", QString::fromStdString(program.path.string()))
            .replace("{usb2}", QString::fromStdString(usb2.string()));
        QVERIFY2(text.contains(expected), qPrintable(text + "\nlacks: " + expected));
    }
    QCOMPARE(text.count("\n\n"), 1);  // the cause, then the fix

    // It takes the focus, as a message box does; Enter presses nothing there, and the window's
    // buttons still work behind it.
    QTRY_COMPARE(QApplication::activeWindow(), notice);
    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused != nullptr ? focused : notice, Qt::Key_Return);
    QVERIFY(notice->isVisible());
    QCOMPARE(fixture.launches.size(), 0u);
    QTest::mouseClick(fixture.Get<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(fixture.Enables(), 6);
    // Esc closes it; the window kept its focus on Command1, for when it is active again.
    QTest::keyClick(notice, Qt::Key_Escape);
    QVERIFY(!notice->isVisible());
    QCOMPARE(fixture.window.focusWidget(), fixture.Get("Command1"));
}

void NoticeTest::aBurstOfFailuresIsOneNotice() {
    WindowFixture fixture;
    QVERIFY(fixture.ShowActive());
    Notice notice(fixture.window);
    const std::string failure = "devcon.exe: usb1: cannot write 1 to authorized: Permission denied";
    const std::string fix = "devcon.exe: to fix: join group vantrel.";
    notice.AddRun({DeviceVerb::Enable, "", std::nullopt});  // a run that said nothing
    QVERIFY(notice.Box() == nullptr);
    for (int run = 0; run < 14; ++run) {
        notice.AddRun({DeviceVerb::Enable, failure + "\n" + fix + "\n" + failure + "\n", {}});
    }

    const auto boxes = fixture.window.findChildren<QMessageBox*>();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0], notice.Box());
    QCOMPARE(notice.Box()->windowTitle(),
             QStringLiteral("Vantrel: switching USB devices on failed"));
    QCOMPARE(notice.Box()->text(), QString::fromStdString(failure + " (14 times)\n\n" + fix));

    // Enter in the window presses nothing; USB On still launches.
    fixture.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&fixture.window));
    QTest::keyClick(fixture.Get("Command1"), Qt::Key_Return);
    QCOMPARE(fixture.launches.size(), 0u);
    QTest::mouseClick(fixture.Get<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(fixture.Enables(), 6);

    // Closed, it starts afresh with the next failure.
    notice.Box()->close();
    QTRY_VERIFY(notice.Box() == nullptr);
    notice.AddRun({DeviceVerb::Disable, failure + "\n", {}});
    QCOMPARE(notice.Box()->windowTitle(),
             QStringLiteral("Vantrel: switching USB devices off failed"));
    QCOMPARE(notice.Box()->text(), QString::fromStdString(failure));
}
