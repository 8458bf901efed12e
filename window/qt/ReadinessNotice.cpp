#include "ReadinessNotice.h"

#include <QPushButton>

#include "window/readiness/Notice.h"

QMessageBox* ShowReadinessNotice(QWidget& window, const std::string& text) {
    if (text.empty()) {
        return nullptr;
    }
    auto* box = new QMessageBox(
        QMessageBox::Warning,
        QString::fromUtf8(kNoticeTitle.data(), static_cast<qsizetype>(kNoticeTitle.size())),
        QString::fromStdString(text), QMessageBox::NoButton, &window);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::NonModal);
    QPushButton* ok = box->addButton(QMessageBox::Ok);
    ok->setAutoDefault(false);
    box->show();
    // Its button box makes OK the default as it shows; undone, so Enter stays with nothing.
    ok->setDefault(false);
    return box;
}
