#pragma once

#include <windows.h>

#include <array>

#include "panel/Form1.h"
#include "window/win32/MainWindow.h"

// Connects the window's controls and timers to Form1, both ways: a click, a scroll step or a
// timer tick runs the matching procedure once, and every change that Form1 reports shows at once
// on its control or starts or stops its timer.
class FormBinding {
  public:
    static constexpr UINT_PTR kTimer1Id = 1;
    static constexpr UINT_PTR kTimer2Id = 2;

    FormBinding(Form1& form, MainWindow& window);
    ~FormBinding();
    FormBinding(const FormBinding&) = delete;
    FormBinding& operator=(const FormBinding&) = delete;

  private:
    struct ButtonControl {
        Button* model;
        HWND widget;
    };
    struct CheckControl {
        CheckBox* model;
        HWND widget;
    };
    struct ScrollControl {
        ScrollBar* model;
        HWND widget;
    };
    struct TextControl {
        TextBox* model;
        HWND widget;
    };
    struct TimerControl {
        Timer* model;
        UINT_PTR id;
        bool running;
    };

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnClicked(HWND widget);
    bool OnScroll(HWND widget, int request);
    bool OnSetValue(HWND widget, int value);
    bool OnTimer(UINT_PTR id);
    void OnFormChange(ControlId id);

    static void ShowCheck(const CheckControl& check);
    static void ShowScroll(const ScrollControl& scroll);
    static void ShowText(const TextControl& text);
    void ShowTimer(TimerControl& timer);

    Form1& form_;
    MainWindow& window_;
    std::array<ButtonControl, 3> buttons_;
    std::array<CheckControl, 3> checks_;
    std::array<ScrollControl, 2> scrolls_;
    std::array<TextControl, 2> texts_;
    std::array<TimerControl, 2> timers_;
};
