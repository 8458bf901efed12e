#pragma once

#include <windows.h>

#include "window/ControlTable.h"

// The colour of a label that has a colour of its own: its own, unless a high-contrast theme is
// on, which gives every text the theme's colour.
COLORREF LabelTextColour(const Rgb& design, bool highContrast, COLORREF themeText);

bool HighContrastOn();
