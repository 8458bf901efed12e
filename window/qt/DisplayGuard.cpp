#include "DisplayGuard.h"

#include <QMessageLogger>
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

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string MissingDisplay() {
    const std::string platform = Environment("QT_QPA_PLATFORM");
    const std::string x11 = Environment("DISPLAY");
    const std::string wayland = Environment("WAYLAND_DISPLAY");
    if (!platform.empty() && platform.rfind("xcb", 0) != 0 && platform.rfind("wayland", 0) != 0) {
        return "cannot open the display of platform \"" + platform + "\"";
    }
    if (!x11.empty()) {
        return "cannot open display \"" + x11 + "\"";
    }
    if (!wayland.empty()) {
        return "cannot open display \"" + wayland + "\" (WAYLAND_DISPLAY)";
    }
    return "no display: DISPLAY is not set";
}

[[noreturn]] void ExitWithoutDisplay() {
    std::fprintf(stderr, "vantrel: %s\n", MissingDisplay().c_str());
    std::_Exit(1);
}

void HoldMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        ExitWithoutDisplay();
    }
    const std::lock_guard lock(heldMutex);
    held.push_back({type, context.category ? context.category : "", text});
}

}  // namespace

DisplayGuard::DisplayGuard() {
    if (Environment("QT_QPA_PLATFORM").empty() && Environment("DISPLAY").empty() &&
        Environment("WAYLAND_DISPLAY").empty()) {
        ExitWithoutDisplay();
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
        const QMessageLogger logger(nullptr, 0, nullptr, message.category.c_str());
        const QByteArray text = message.text.toUtf8();
        switch (message.type) {
            case QtDebugMsg:
                logger.debug("%s", text.constData());
                break;
            case QtInfoMsg:
                logger.info("%s", text.constData());
                break;
            case QtWarningMsg:
                logger.warning("%s", text.constData());
                break;
            default:
                logger.critical("%s", text.constData());
                break;
        }
    }
}
