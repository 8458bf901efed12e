// Where a control of the window lies, in pixels from the window's top left corner at a given DPI,
// straight from the control table: "control_geometry NAME DPI" prints "LEFT TOP WIDTH HEIGHT".
// End-to-end tests click and photograph controls by it.
#include <cstdio>
#include <cstdlib>

#include "window/ControlTable.h"
#include "window/Twips.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: control_geometry NAME DPI\n");
        return 2;
    }
    const ControlSpec* control = FindControl(argv[1]);
    const int dpi = std::atoi(argv[2]);
    if (control == nullptr || dpi <= 0) {
        std::fprintf(stderr, "control_geometry: unknown control or bad DPI\n");
        return 2;
    }
    PixelRect rect = ToPixels(control->rect, dpi);
    if (!control->container.empty()) {
        const PixelRect container = ToPixels(FindControl(control->container)->rect, dpi);
        rect.left += container.left;
        rect.top += container.top;
    }
    std::printf("%d %d %d %d\n", rect.left, rect.top, rect.width, rect.height);
    return 0;
}
