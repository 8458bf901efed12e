#include "window/qt/HighDpi.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

// Qt places widgets in device-independent pixels and multiplies them by the screen's device pixel
// ratio; its logical DPI is given in those same units (logical DPI x ratio = the screen's DPI). So
// converting twips at the logical DPI keeps the window's size in inches whatever the split.
// Rounding the ratio down below 1.75 leaves 120 and 144 DPI screens at ratio 1, where twips map
// straight onto device pixels (663 x 211 at 120 DPI, as on Windows); 192 DPI gets ratio 2 at 96.
void PrepareHighDpiScaling() {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::RoundPreferFloor);
}

int WidgetDpi(const QScreen& screen) {
    return qRound(screen.logicalDotsPerInch());
}
