#include "window/qt/Accessibility.h"

#include <QAccessible>
#include <QLabel>

#include "window/AccessibleNames.h"
#include "window/qt/MainWindow.h"
#include "window/qt/SpinnerAccessible.h"

void DescribeForAssistiveTechnology(MainWindow& window) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(CreateSpinnerAccessible);
        return true;
    }();
    (void)factoryInstalled;

    for (const ControlSpec& design : kControls) {
        if (GetsAccessibleName(design.kind)) {
            window.Control(design.name)
                ->setAccessibleName(QString::fromStdString(AccessibleNameOf(design)));
        }
    }
    // A buddy gives the "labelled by" relation; with no '&' in the caption it adds no shortcut.
    window.ControlAs<QLabel>("Label1")->setBuddy(window.Control("VScroll1"));
    window.ControlAs<QLabel>("Label2")->setBuddy(window.Control("VScroll2"));
}
