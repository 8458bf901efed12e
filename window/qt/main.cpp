// Vantrel: switches every USB device off and on through devcon.exe, from one small window.
#include <signal.h>

#include <QApplication>

#include "launcher/DevconPath.h"
#include "launcher/RunDevcon.h"
#include "panel/Form1.h"
#include "window/qt/DevconRuns.h"
#include "window/qt/DisplayGuard.h"
#include "window/qt/FormBinding.h"
#include "window/qt/HighDpi.h"
#include "window/qt/MainWindow.h"
#include "window/qt/Notice.h"
#include "window/qt/Platform.h"
#include "window/qt/ProgramEnd.h"
#include "window/readiness/LinuxReadiness.h"

int main(int, char** argv) {
    // A failure line logged after the reader of our standard error has gone must not end us.
    signal(SIGPIPE, SIG_IGN);
    int qtArgc = 1;  // the program reads no arguments, so Qt gets none either
    PrepareHighDpiScaling();
    ChoosePlatform();
    DisplayGuard display;
    QApplication app(qtArgc, argv);
    display.Release();
    // The menu entry's name: Wayland desktops find the window's icon and name through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.vantrel"));

    MainWindow window;
    Notice notice(window);
    DevconRuns runs([&notice](const DevconResult& run) {
        LogFailureLines(run);
        notice.AddRun(run);
    });
    Form1 form([&runs](DeviceVerb verb) { runs.Launch(verb); });
    FormBinding binding(form, window);
    const ProgramEnd end(window, form, runs);
    window.show();
    // Once, after the window is up: why a click would switch nothing, if it would not.
    notice.ShowReadiness(NoticeText(
        CheckReadiness(DevconPath(), SysfsTree(SysfsTree::RootFromEnvironment()), SystemAccess())));
    // Every way of ending runs the switch-on owed first, then ends the loop with 0.
    return QApplication::exec();
}
