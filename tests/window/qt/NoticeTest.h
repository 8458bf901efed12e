#pragma once

#include <QObject>

// The notice at start, for each cause the check tells apart on a fake sysfs tree: its text, and a
// window that stays usable behind it. The same notice for runs of devcon.exe that failed.
class NoticeTest : public QObject {
    Q_OBJECT

  private slots:
    void namesTheCauseAndTheFix_data();
    void namesTheCauseAndTheFix();
    void aBurstOfFailuresIsOneNotice();
};
