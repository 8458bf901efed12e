#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

// The window's design, shared by both front ends: every drawn control with its caption, place
// and size in twips (1/1440 inch), tab index and font. Neither front end repeats these numbers.
// The two timers are not drawn and take their intervals from Form1.

enum class ControlKind { Frame, ScrollBar, CheckBox, TextBox, Label, Button, Picture };

struct FontSpec {
    double points = 7.8;
    bool bold = false;
    bool italic = false;
    int charset = 0;  // Windows character set; 204 is Cyrillic
};

struct Rgb {
    int red;
    int green;
    int blue;
};

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

struct ControlSpec {
    std::string_view name;
    ControlKind kind;
    std::string_view container;  // empty for the window itself
    std::string_view caption;
    TwipsRect rect;  // relative to the container's client area
    std::optional<int> tabIndex;
    FontSpec font;
    bool centred = false;
    bool readOnly = false;
    std::optional<Rgb> textColour;
};

struct WindowSpec {
    std::string_view title;
    int clientWidthTwips;
    int clientHeightTwips;
};

inline constexpr WindowSpec kWindow{"Vantrel", 7956, 2532};

inline constexpr std::string_view kFont = "Verdana";
inline constexpr std::string_view kFallbackFont = "DejaVu Sans";  // close to Verdana in metrics

// In creation order. Where two controls overlap, the later one lies on top. Fields left out take
// their defaults, which GCC 12 warns about even for designated initializers.
//
// The number boxes are 900 twips wide, so that 32767 shows whole in Verdana 9.6 pt at every
// density from 96 to 192 DPI, inside the edit box's own margins (at 96 DPI, 40 pixels of text in
// a 60-pixel box). Each row's spinner and unit label follow its box within the frame, and the
// unit labels are wide enough for "Minutes" at 144 DPI. As before, Check2 and each spinner reach
// 12 twips into their number box; Check3 ends where Text2 begins.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
inline constexpr std::array<ControlSpec, 15> kControls{{
    {.name = "Frame1",
     .kind = ControlKind::Frame,
     .caption = "Watchdog timer",
     .rect = {4320, 600, 3492, 1212},
     .tabIndex = 4},
    {.name = "VScroll1",
     .kind = ControlKind::ScrollBar,
     .container = "Frame1",
     .rect = {2448, 240, 252, 372},
     .tabIndex = 10},
    {.name = "VScroll2",
     .kind = ControlKind::ScrollBar,
     .container = "Frame1",
     .rect = {2448, 720, 252, 372},
     .tabIndex = 9},
    {.name = "Check2",
     .kind = ControlKind::CheckBox,
     .container = "Frame1",
     .caption = "Restart every",
     .rect = {120, 240, 1452, 372},
     .tabIndex = 8},
    {.name = "Check3",
     .kind = ControlKind::CheckBox,
     .container = "Frame1",
     .caption = "Restart every",
     .rect = {120, 720, 1440, 372},
     .tabIndex = 7},
    {.name = "Text1",
     .kind = ControlKind::TextBox,
     .container = "Frame1",
     .caption = "2",
     .rect = {1560, 240, 900, 372},
     .tabIndex = 6,
     .font = {.points = 9.6},
     .centred = true,
     .readOnly = true},
    {.name = "Text2",
     .kind = ControlKind::TextBox,
     .container = "Frame1",
     .caption = "3",
     .rect = {1560, 720, 900, 372},
     .tabIndex = 5,
     .font = {.points = 9.6},
     .centred = true,
     .readOnly = true},
    {.name = "Label1",
     .kind = ControlKind::Label,
     .container = "Frame1",
     .caption = "Hour",
     .rect = {2796, 360, 648, 252},
     .tabIndex = 12},
    {.name = "Label2",
     .kind = ControlKind::Label,
     .container = "Frame1",
     .caption = "Minutes",
     .rect = {2796, 840, 648, 252},
     .tabIndex = 11},
    {.name = "Command3",
     .kind = ControlKind::Button,
     .caption = "Restart USB",
     .rect = {2880, 2040, 1212, 372},
     .tabIndex = 3},
    {.name = "Check1",
     .kind = ControlKind::CheckBox,
     .caption = "Auto On, for test if you use USB mouse",
     .rect = {4320, 120, 3732, 372},
     .tabIndex = 2,
     .font = {.charset = 204}},
    {.name = "Command2",
     .kind = ControlKind::Button,
     .caption = "USB Off",
     .rect = {1560, 2040, 1212, 372},
     .tabIndex = 1},
    {.name = "Command1",
     .kind = ControlKind::Button,
     .caption = "USB On",
     .rect = {240, 2040, 1212, 372},
     .tabIndex = 0},
    {.name = "Image1", .kind = ControlKind::Picture, .rect = {0, 0, 4080, 1776}},
    {.name = "Label3",
     .kind = ControlKind::Label,
     .caption = "USB controller device manager",
     .rect = {4200, 2040, 3372, 252},
     .tabIndex = 13,
     .font = {.points = 9.0, .bold = true, .italic = true},
     .centred = true,
     .textColour = Rgb{0, 0, 192}},
}};
#pragma GCC diagnostic pop

// Labels and frames have a tab index but never take the focus.
constexpr bool TakesFocus(ControlKind kind) {
    return kind == ControlKind::Button || kind == ControlKind::CheckBox ||
           kind == ControlKind::TextBox || kind == ControlKind::ScrollBar;
}

inline constexpr std::size_t kFocusableControls = 10;

// The controls that take the focus, in the order Tab moves through them (by tab index).
constexpr std::array<const ControlSpec*, kFocusableControls> TabOrder() {
    std::array<const ControlSpec*, kFocusableControls> order{};
    std::size_t count = 0;
    for (int index = 0; index <= 13; ++index) {
        for (const ControlSpec& control : kControls) {
            if (TakesFocus(control.kind) && control.tabIndex == index) {
                order[count++] = &control;
            }
        }
    }
    return order;
}

constexpr const ControlSpec* FindControl(std::string_view name) {
    for (const ControlSpec& control : kControls) {
        if (control.name == name) {
            return &control;
        }
    }
    return nullptr;
}
