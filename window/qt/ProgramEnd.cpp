#include "window/qt/ProgramEnd.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>

#include "panel/Form1.h"
#include "window/qt/DevconRuns.h"

namespace {

// SIGTERM and SIGHUP reach the event loop as a byte on this pipe.
int signalPipe[2] = {-1, -1};

extern "C" void OnEndSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

ProgramEnd::ProgramEnd(QWidget& window, Form1& form, DevconRuns& runs)
    : window_(window), form_(form), runs_(runs) {
    window_.installEventFilter(this);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, this,
                     [this](QSessionManager&) { End(true); });
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        signals_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        QObject::connect(signals_, &QSocketNotifier::activated, this, [this] { End(true); });
        struct sigaction end {};
        end.sa_handler = OnEndSignal;
        sigemptyset(&end.sa_mask);
        end.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &end, nullptr);
        sigaction(SIGHUP, &end, nullptr);
    }
}

ProgramEnd::~ProgramEnd() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    if (signals_ != nullptr) {
        signals_->setEnabled(false);
        close(signalPipe[0]);
        close(signalPipe[1]);
    }
}

bool ProgramEnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close) {
        event->ignore();
        End(false);
        return true;
    }
    return false;
}

void ProgramEnd::End(bool sessionEnds) {
    if (ending_) {
        return;
    }
    ending_ = true;
    window_.hide();
    runs_.Finish(form_.EnableOwed() ||
                 (sessionEnds && runs_.LastLaunched() == DeviceVerb::Disable));
    QCoreApplication::exit(0);
}
