#pragma once

class QScreen;

// Before the QApplication is created: how Qt splits a screen's density between its own scaling
// and ours.
void PrepareHighDpiScaling();

// Pixels per inch in the units widgets are placed in on `screen`: the density to convert twips at.
int WidgetDpi(const QScreen& screen);
