#pragma once

#include <string>
#include <string_view>

// A device's own text (a USB product string, a description from Windows' device database), as
// safe to print on a terminal or in a window: whoever made the device chose it. Control
// characters (C0, DEL, C1) and the controls that reorder text (bidirectional embeddings,
// overrides and isolates) become visible escapes such as \x1b or \u009b, each ill-formed UTF-8
// sequence becomes U+FFFD, and past 128 characters the text is cut and ends in "…".
std::string PrintableDeviceText(std::string_view text);
