#include "window/qt/DisplayGuard.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

std::mutex heldMutex;
std::vector<HeldMessage> held;
QtMessageHandler previousHandler = nullptr;

[[noreturn]] void ExitWithoutDisplay(const QString& reason) {
    std::fprintf(stderr, "vantrel: %s\n", reason.simplified().toLocal8Bit().constData());
    std::_Exit(1);
}

// Qt warns of what failed (the display it could not connect to, the plugin it could not find)
// before it gives up with a summary that names neither; the summary serves only when it did not.
QString Cause(const QString& summary) {
    QString cause;
    for (const HeldMessage& message : held) {
        if (message.type == QtWarningMsg || message.type == QtCriticalMsg) {
            cause += (cause.isEmpty() ? "" : "; ") + message.text;
        }
    }
    return cause.isEmpty() ? summary.section(u'\n', 0, 0) : cause;
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const std::lock_guard lock(heldMutex);
    if (type == QtFatalMsg) {
        ExitWithoutDisplay("cannot open a window: " + Cause(text));
    }
    held.push_back({type, context.category ? context.category : "", text});
}

}  // namespace

DisplayGuard::DisplayGuard() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        ExitWithoutDisplay("no display: DISPLAY is not set");
    }
    previousHandler = qInstallMessageHandler(HoldMessage);
}

DisplayGuard::~DisplayGuard() {
    Release();
}

void DisplayGuard::Release() {
    if (!held_) {
        return;
    }
    held_ = false;
    qInstallMessageHandler(previousHandler);
    std::vector<HeldMessage> messages;
    {
        const std::lock_guard lock(heldMutex);
        messages.swap(held);
    }
    for (const HeldMessage& message : messages) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
        previousHandler(message.type, context, message.text);
    }
}
