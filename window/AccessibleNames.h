#pragma once

#include <string>
#include <string_view>

#include "window/ControlTable.h"

// What assistive technology calls each control, shared by both front ends. On screen the two
// watchdog rows differ only by their unit labels ("Hour", "Minutes"), so every control in a row
// takes its row's unit into its name; the rest are named by their own captions.

// The unit label that ends the watchdog row a control sits in, or nullptr outside the rows.
constexpr const ControlSpec* RowLabelOf(std::string_view control) {
    if (control == "Check2" || control == "Text1" || control == "VScroll1") {
        return FindControl("Label1");
    }
    if (control == "Check3" || control == "Text2" || control == "VScroll2") {
        return FindControl("Label2");
    }
    return nullptr;
}

// Every control that takes the focus has a name for assistive technology, and so does the picture.
constexpr bool GetsAccessibleName(ControlKind kind) {
    return TakesFocus(kind) || kind == ControlKind::Picture;
}

// The picture shows the letters USB above the bus's full name.
inline constexpr std::string_view kPictureName = "USB logo";

// The option box reads "Restart every Hour", the number box "Hour", its spinner "Hour spinner".
inline std::string AccessibleNameOf(const ControlSpec& control) {
    if (control.kind == ControlKind::Picture) {
        return std::string(kPictureName);
    }
    const ControlSpec* unit = RowLabelOf(control.name);
    if (unit == nullptr) {
        return std::string(control.caption);
    }
    switch (control.kind) {
        case ControlKind::CheckBox:
            return std::string(control.caption) + " " + std::string(unit->caption);
        case ControlKind::ScrollBar:
            return std::string(unit->caption) + " spinner";
        default:
            return std::string(unit->caption);
    }
}
