#include "window/qt/Taskbar.h"

#include <QGuiApplication>
#include <QStringList>
#include <QWidget>
#include <QtGlobal>

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

xcb_atom_t AtomFrom(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

xcb_intern_atom_cookie_t AskForAtom(xcb_connection_t* connection, std::string_view name) {
    return xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
}

// GNOME's mutter leaves skip-taskbar windows out of Alt+Tab and the overview, and so do its
// relatives Cinnamon's Muffin (its switcher filters them) and MATE's Marco (its tab chain does).
// There a covered window could not be reached, so it stays in the taskbar. KDE's KWin keeps them in
// Alt+Tab. XDG_CURRENT_DESKTOP is a colon-separated list, such as "ubuntu:GNOME".
bool SwitcherLeavesOutSkipTaskbar() {
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':');
    for (const char* desktop : {"GNOME", "X-Cinnamon", "Cinnamon", "MATE"}) {
        if (desktops.contains(QLatin1String(desktop), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

}  // namespace

// Qt sets no skip-taskbar state on X11. A window that is not yet mapped carries its initial state
// in its own _NET_WM_STATE property, and Qt keeps the atoms it finds there when it maps the window.
void KeepOutOfTaskbar(QWidget& window) {
    // The offscreen platform answers for X11 too, without a connection.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (QGuiApplication::platformName() != QLatin1String("xcb") || connection == nullptr ||
        SwitcherLeavesOutSkipTaskbar()) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window.winId());
    // Both questions go out before either answer is awaited: one round trip.
    const xcb_intern_atom_cookie_t askState = AskForAtom(connection, "_NET_WM_STATE");
    const xcb_intern_atom_cookie_t askSkip = AskForAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    const xcb_atom_t state = AtomFrom(connection, askState);
    const xcb_atom_t skipTaskbar = AtomFrom(connection, askSkip);
    if (state == XCB_ATOM_NONE || skipTaskbar == XCB_ATOM_NONE) {
        return;
    }
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 1,
                        &skipTaskbar);
    xcb_flush(connection);
}
