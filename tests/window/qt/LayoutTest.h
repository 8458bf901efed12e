#pragma once

#include <QObject>

#include <memory>

#include "tests/window/qt/WindowFixture.h"

// What the window shows at start, where, and how.
class LayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startState();
    void captions_data();
    void captions();
    void clientAreaAtTheScreensDensity();
    void geometry_data();
    void geometry();
    void windowIsFixedWithOnlyACloseBox();
    void fontsAndLook();
    void textFitsItsBox_data();
    void textFitsItsBox();
    void laterControlsLieOnTop_data();
    void laterControlsLieOnTop();
    void pictureAndIcon();

  private:
    std::unique_ptr<WindowFixture> fixture_;
};
