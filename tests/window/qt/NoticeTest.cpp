#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <cerrno>

#include "tests/window/qt/WindowFixture.h"
#include "window/qt/Notice.h"
#include "window/readiness/NoticeText.h"

// The notice at start: the start-up check's text in a box of its own, and a window that stays
// usable behind it. The same notice for runs of devcon.exe that failed.
class NoticeTest : public WindowTest {
    Q_OBJECT

  private slots:
    void showsTheStartUpCheckOverAUsableWindow();
    void aBurstOfFailuresIsOneNotice();
};

void NoticeTest::showsTheStartUpCheckOverAUsableWindow() {
    WindowFixture fixture;
    QVERIFY(fixture.ShowActive());
    Notice shown(fixture.window);
    shown.ShowReadiness(NoticeText(Readiness{}));
    QVERIFY(shown.Box() == nullptr);
    const Readiness notAMember{Cause::NotInGroup, "tree/bus/usb/devices/usb2/authorized", "alice",
                               EACCES};
    shown.ShowReadiness(NoticeText(notAMember));
    QMessageBox* notice = shown.Box();
    QVERIFY(notice != nullptr && notice->isVisible());
    QCOMPARE(notice->windowTitle(), QStringLiteral("Vantrel: USB devices cannot be switched"));
    QCOMPARE(notice->text(), QString::fromStdString(NoticeText(notAMember)));
    QVERIFY(!notice->isModal());

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

QTEST_MAIN(NoticeTest)
#include "NoticeTest.moc"
