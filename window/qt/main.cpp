// Vantrel: switches every USB device off and on through devcon.exe, from one small window.
#include <QApplication>

#include "DevconRuns.h"
#include "DisplayGuard.h"
#include "FormBinding.h"
#include "HighDpi.h"
#include "MainWindow.h"
#include "Notice.h"
#include "Platform.h"
#include "launcher/DevconPath.h"
#include "launcher/RunDevcon.h"
#include "panel/Form1.h"
#include "window/readiness/LinuxReadiness.h"

int main(int, char** argv) {
    int qtArgc = 1;  // the program reads no arguments, so Qt gets none either
    PrepareHighDpiScaling();
    ChoosePlatform();
    DisplayGuard display;
    QApplication app(qtArgc, argv);
    display.Release();
    // The menu entry's name: Wayland desktops find the window's icon and name through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.vantrel"));

    Form1 form(RunDevcon);
    MainWindow window;
    FormBinding binding(form, window);
    Notice notice(window);
    const DevconRuns runs([&notice](const DevconResult& run) {
        LogFailureLines(run);
        notice.AddRun(run);
    });
    window.show();
    // Once, after the window is up: why a click would switch nothing, if it would not.
    notice.ShowReadiness(NoticeText(
        CheckReadiness(DevconPath(), SysfsTree(SysfsTree::RootFromEnvironment()), SystemAccess())));
    // Closing the window ends the loop with 0; timers stop with the binding.
    return QApplication::exec();
}
