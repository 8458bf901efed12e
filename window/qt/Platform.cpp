#include "window/qt/Platform.h"

#include <QByteArray>
#include <QtGlobal>

// Where a Wayland desktop also runs XWayland, the window goes through it, as it does when
// qt6-wayland is not installed: there it can stay out of the taskbar, offers only a close box, and
// KDE and GNOME draw its text crisp at fractional scales. Native Wayland has no words for either,
// and Qt draws at twice the size for the compositor to shrink. Should the X server refuse, Qt
// falls back to Wayland. A QT_QPA_PLATFORM of the user's own is left alone.
void ChoosePlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY") &&
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("xcb;wayland"));
    }
}
