#pragma once

class QWidget;

// Asks the window manager to leave `window` out of the taskbar, unless that would also leave it out
// of Alt+Tab. Call before the window is first shown; on platforms other than X11 it does nothing.
void KeepOutOfTaskbar(QWidget& window);
