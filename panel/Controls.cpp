#include "panel/Controls.h"

#include <algorithm>

void CheckBox::SetValue(int value) {
    if (value == value_) {
        return;
    }
    value_ = value;
    ReportChange();
    click_();
}

void ScrollBar::SetValue(int value) {
    value = std::clamp(value, min_, max_);
    if (value == value_) {
        return;
    }
    value_ = value;
    ReportChange();
    change_();
}

void TextBox::SetText(std::string text) {
    if (text == text_) {
        return;
    }
    text_ = std::move(text);
    ReportChange();
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    ReportChange();
}
