#pragma once

#include <QMessageBox>

#include <string>

class QWidget;

// Shows `text` in a message box over `window`, unless it is empty. It is not modal, so the window
// stays usable behind it, and its OK is no default button: Enter presses nothing there either,
// while Esc or Space on OK closes it. Screen readers hear it as an alert. Returns the box, which
// `window` owns, or nullptr.
QMessageBox* ShowReadinessNotice(QWidget& window, const std::string& text);
