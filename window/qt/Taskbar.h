#pragma once

class QWidget;

// Asks the window manager to leave `window` out of the taskbar. Call before the window is first
// shown; on platforms other than X11 it does nothing.
void KeepOutOfTaskbar(QWidget& window);
