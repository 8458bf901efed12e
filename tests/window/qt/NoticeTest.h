#pragma once

#include <QObject>

// The notice at start: the start-up check's text in a box of its own, and a window that stays
// usable behind it. The same notice for runs of devcon.exe that failed.
class NoticeTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTheStartUpCheckOverAUsableWindow();
    void aBurstOfFailuresIsOneNotice();
};
