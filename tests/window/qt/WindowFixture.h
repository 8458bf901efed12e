#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <string_view>
#include <vector>

#include "panel/Form1.h"
#include "window/qt/FormBinding.h"
#include "window/qt/HighDpi.h"
#include "window/qt/MainWindow.h"

// The base of each test class, run by QTEST_MAIN on the screen given on the command line
// (-platform offscreen:configfile=...): scaling set up as in the program before the application
// exists, and that screen's own density, where QTEST_MAIN would have every screen at 96 DPI.
class WindowTest : public QObject {
  public:
    static void initMain() { PrepareHighDpiScaling(); }
    WindowTest() { QCoreApplication::setAttribute(Qt::AA_Use96Dpi, false); }
};

// The program's window bound to a Form1 whose launches are recorded instead of run.
struct WindowFixture {
    std::vector<DeviceVerb> launches;
    Form1 form{[this](DeviceVerb verb) { launches.push_back(verb); }};
    MainWindow window;
    FormBinding binding{form, window};

    long Count(DeviceVerb verb) const { return std::count(launches.begin(), launches.end(), verb); }
    long Enables() const { return Count(DeviceVerb::Enable); }
    long Disables() const { return Count(DeviceVerb::Disable); }

    template <typename Widget = QWidget>
    Widget* Get(std::string_view name) const {
        Widget* widget = window.ControlAs<Widget>(name);
        if (widget == nullptr) {
            qFatal("no control %.*s of the expected kind", static_cast<int>(name.size()),
                   name.data());
        }
        return widget;
    }

    // Shown and active, so that keys go to the focused control as they would on screen.
    bool ShowActive() {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }

    // As the QTimer would on expiry, without waiting for it.
    void Expire(const Timer& timer, int times = 1) {
        QTimer& qtimer = binding.TimerFor(timer);
        for (int i = 0; i < times && qtimer.isActive(); ++i) {
            QMetaObject::invokeMethod(&qtimer, "timeout");
        }
    }
};
