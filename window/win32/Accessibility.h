#pragma once

#include <windows.h>

class MainWindow;

// Gives the window's controls what a screen reader needs, through Active Accessibility (and UI
// Automation, which reads it): every control that takes the focus, and the picture, answers
// WM_GETOBJECT with the system's own accessible object for it under the name the shared design
// gives it. A spinner's value is the number its box shows; setting it sets the model's value in
// one step (kSetSpinnerValue), and the box and the spinner follow. Nothing is drawn differently.
void DescribeForAssistiveTechnology(MainWindow& window);

// Sent to a spinner's parent when a screen reader sets the spinner's value: wParam is the value,
// within the spinner's range, and lParam the spinner.
inline constexpr UINT kSetSpinnerValue = WM_APP + 0x100;

// The number a spinner stands at, as its box shows it: the window draws the largest value at the
// top, where a scroll bar has its smallest position.
int SpinnerValue(HWND spinner);
