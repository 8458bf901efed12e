#pragma once

#include "window/ControlTable.h"

inline constexpr int kTwipsPerInch = 1440;

// Twips to pixels at `dpi` pixels per inch, rounded to the nearest pixel (halves away from zero),
// so that 7956 x 2532 twips give 530 x 169 pixels at 96 DPI and 663 x 211 at 120 DPI. Each of
// left, top, width and height is converted on its own.
constexpr int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + kTwipsPerInch / 2) / kTwipsPerInch
                                        : -((-scaled + kTwipsPerInch / 2) / kTwipsPerInch));
}

struct PixelRect {
    int left;
    int top;
    int width;
    int height;
};

constexpr PixelRect ToPixels(const TwipsRect& rect, int dpi) {
    return {TwipsToPixels(rect.left, dpi), TwipsToPixels(rect.top, dpi),
            TwipsToPixels(rect.width, dpi), TwipsToPixels(rect.height, dpi)};
}
