#include "window/qt/Notice.h"

#include <QPushButton>
#include <QScreen>

#include <algorithm>

// Only our own connection: a box's other connections include the accessibility cache's, which
// must still hear of the box's end, or it would hand a later widget at the same address the dead
// box's interface.
Notice::~Notice() {
    QObject::disconnect(clearOnClose_);
}

void Notice::ShowReadiness(const std::string& text) {
    if (!text.empty()) {
        content_.SetReadiness(text);
        Show();
    }
}

void Notice::AddRun(const DevconResult& run) {
    if (content_.AddRun(run)) {
        Show();
    }
}

void Notice::Show() {
    const QString title = QString::fromStdString(content_.Title());
    const QString text = QString::fromStdString(content_.Text());
    if (box_) {
        // Updated in place, without taking the focus from wherever the user is.
        box_->setWindowTitle(title);
        box_->setText(text);
        return;
    }
    box_ = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::NoButton, &window_);
    box_->setTextFormat(Qt::PlainText);
    box_->setWindowModality(Qt::NonModal);
    box_->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* ok = box_->addButton(QMessageBox::Ok);
    ok->setAutoDefault(false);
    clearOnClose_ = QObject::connect(box_, &QDialog::finished, [this] { content_.Clear(); });
    box_->show();
    // Its button box makes OK the default as it shows; undone, so Enter stays with nothing.
    ok->setDefault(false);
    // Just below the window, where window managers let a program place its boxes, so that the
    // window's buttons stay in sight; within the screen.
    if (const QScreen* screen = window_.screen()) {
        const QRect room = screen->availableGeometry();
        const QSize size = box_->frameGeometry().size();
        const QPoint below = window_.frameGeometry().bottomLeft() + QPoint(0, 1);
        box_->move(
            std::clamp(below.x(), room.left(), std::max(room.left(), room.right() - size.width())),
            std::clamp(below.y(), room.top(), std::max(room.top(), room.bottom() - size.height())));
    }
}
