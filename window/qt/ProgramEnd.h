#pragma once

#include <QObject>

class DevconRuns;
class Form1;
class QSocketNotifier;
class QWidget;

// How the program ends, whichever way: the window closed, the session manager's request at
// logout, SIGTERM or SIGHUP. Each first runs the switch-on that is owed (Form1::EnableOwed) and
// waits for it; at the session's end, a last verb of disable is owed too, so that the next
// session starts with its keyboard and mouse. Then the event loop ends with 0.
class ProgramEnd : public QObject {
  public:
    ProgramEnd(QWidget& window, Form1& form, DevconRuns& runs);
    ~ProgramEnd() override;
    ProgramEnd(const ProgramEnd&) = delete;
    ProgramEnd& operator=(const ProgramEnd&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void End(bool sessionEnds);

    QWidget& window_;
    Form1& form_;
    DevconRuns& runs_;
    QSocketNotifier* signals_ = nullptr;
    bool ending_ = false;
};
