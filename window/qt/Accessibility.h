#pragma once

class MainWindow;

// Gives the window's controls what a screen reader needs and nothing it shows: a name for every
// control that takes the focus and for the picture, each unit label tied to its spinner, and the
// spinners' own accessible interface.
void DescribeForAssistiveTechnology(MainWindow& window);
