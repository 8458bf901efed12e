#include <QApplication>
#include <QTest>

#include "tests/window/qt/BindingTest.h"
#include "tests/window/qt/KeyboardTest.h"
#include "tests/window/qt/LayoutTest.h"
#include "tests/window/qt/NoticeTest.h"
#include "window/qt/HighDpi.h"

// Scaling is set up as in the program, before the application exists; the screen comes from the
// command line (-platform offscreen:configfile=...).
int main(int argc, char** argv) {
    PrepareHighDpiScaling();
    QApplication app(argc, argv);
    LayoutTest layout;
    KeyboardTest keyboard;
    BindingTest binding;
    NoticeTest notice;
    int failures = 0;
    for (QObject* test : std::initializer_list<QObject*>{&layout, &keyboard, &binding, &notice}) {
        failures += QTest::qExec(test, argc, argv);
    }
    return failures;
}
