#pragma once

#include <windows.h>

class MainWindow;

// Gives the window's controls what a screen reader needs, through Active Accessibility (and UI
// Automation, which reads it): every control that takes the focus, and the picture, answers
// WM_GETOBJECT with the system's own accessible object for it under the name the shared design
// gives it. A spinner's value is the number its box shows; setting it moves the spinner a step
// at a time, as its arrows do, so the box and the model follow. Nothing is drawn differently.
void DescribeForAssistiveTechnology(MainWindow& window);

// The number a spinner stands at, as its box shows it: the window draws the largest value at the
// top, where a scroll bar has its smallest position.
int SpinnerValue(HWND spinner);
