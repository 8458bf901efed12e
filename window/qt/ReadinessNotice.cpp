#include "ReadinessNotice.h"

#include <QPushButton>

#include "readiness/Notice.h"

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
    box->addButton(QMessageBox::Ok)->setAutoDefault(false);
    box->show();
    return box;
}
