#pragma once

#include <QObject>

#include <memory>

#include "tests/window/qt/WindowFixture.h"

// Mouse clicks reach Form1, Form1's changes reach the widgets, and the QTimers run its ticks.
class BindingTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void clicksReachTheModel_data();
    void clicksReachTheModel();
    void aClickedBoxTicksOnceAndUnticksOnTheNextClick();
    void spinnerArrowsStepByOne_data();
    void spinnerArrowsStepByOne();
    void modelChangesShowOnTheWidgets();
    void assistiveTechnologySetsTheHoursTheRightWayRound();
    void timersArePreciseAtTheirIntervals();
    void aRunningTimerKeepsItsPhase();
    void burstRunsOnTimer2AndUsbOffStopsIt();
    void autoOnSwitchesOnAndUnticksTheBox();

  private:
    std::unique_ptr<WindowFixture> fixture_;
};
