#pragma once

#include <QObject>

#include <memory>

#include "tests/window/qt/WindowFixture.h"

// Tab order, the spinners' arrow keys, Space, and the keys that must press nothing.
class KeyboardTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void tabVisitsTheTenControlsInOrder();
    void shiftTabGoesBack();
    void spaceOnAButtonPressesIt();
    void spaceOnABoxTogglesIt_data();
    void spaceOnABoxTogglesIt();
    void arrowKeysStepTheSpinner_data();
    void arrowKeysStepTheSpinner();
    void arrowKeysStopAtTheEnds_data();
    void arrowKeysStopAtTheEnds();
    void enterAndEscapePressNothing_data();
    void enterAndEscapePressNothing();

  private:
    std::unique_ptr<WindowFixture> fixture_;
};
