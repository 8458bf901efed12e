#pragma once

#include <QMessageBox>
#include <QPointer>

#include <string>

#include "launcher/DevconResult.h"
#include "window/readiness/NoticeContent.h"

class QWidget;

// The window's one notice: a message box over `window` that says why a click would change
// nothing (at start) and what the failed runs of devcon.exe said (later). While it is open, a new
// failure adds to it: there is never a second box. It is not modal, so the window stays usable
// behind it, and its OK is no default button: Enter presses nothing there either, while Esc or
// Space on OK closes it. Screen readers hear it as an alert.
class Notice {
  public:
    explicit Notice(QWidget& window) : window_(window) {}
    ~Notice();
    Notice(const Notice&) = delete;
    Notice& operator=(const Notice&) = delete;

    // Shows the start-up check's `text`, unless it is empty.
    void ShowReadiness(const std::string& text);
    // Shows a finished run, if it failed.
    void AddRun(const DevconResult& run);

    // The box while it is open, else nullptr.
    QMessageBox* Box() const { return box_; }

  private:
    void Show();

    QWidget& window_;
    NoticeContent content_;
    QPointer<QMessageBox> box_;
    QMetaObject::Connection clearOnClose_;
};
