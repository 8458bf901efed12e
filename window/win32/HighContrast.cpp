#include "window/win32/HighContrast.h"

COLORREF LabelTextColour(const Rgb& design, bool highContrast, COLORREF themeText) {
    return highContrast ? themeText : RGB(design.red, design.green, design.blue);
}

bool HighContrastOn() {
    HIGHCONTRASTW settings{};
    settings.cbSize = sizeof settings;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof settings, &settings, 0) &&
           (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
}
