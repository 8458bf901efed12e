#include "window/win32/FormBinding.h"

#include "common/windows/WideText.h"
#include "window/SpinnerScale.h"
#include "window/win32/Accessibility.h"

FormBinding::FormBinding(Form1& form, MainWindow& window)
    : form_(form),
      window_(window),
      buttons_{{{&form.Command1, window.Control("Command1")},
                {&form.Command2, window.Control("Command2")},
                {&form.Command3, window.Control("Command3")}}},
      checks_{{{&form.Check1, window.Control("Check1")},
               {&form.Check2, window.Control("Check2")},
               {&form.Check3, window.Control("Check3")}}},
      scrolls_{{{&form.VScroll1, window.Control("VScroll1")},
                {&form.VScroll2, window.Control("VScroll2")}}},
      texts_{{{&form.Text1, window.Control("Text1")}, {&form.Text2, window.Control("Text2")}}},
      timers_{{{&form.Timer1, kTimer1Id, false}, {&form.Timer2, kTimer2Id, false}}} {
    for (const CheckControl& check : checks_) {
        ShowCheck(check);
    }
    for (const ScrollControl& scroll : scrolls_) {
        SCROLLINFO range{};
        range.cbSize = sizeof range;
        range.fMask = SIF_RANGE | SIF_PAGE;
        range.nMin = scroll.model->Min();
        range.nMax = scroll.model->Max();
        range.nPage = 0;  // a thumb of fixed size, not one in proportion to a page
        SetScrollInfo(scroll.widget, SB_CTL, &range, FALSE);
        ShowScroll(scroll);
    }
    for (const TextControl& text : texts_) {
        ShowText(text);
    }
    for (TimerControl& timer : timers_) {
        ShowTimer(timer);
    }
    form_.SetChangeListener([this](ControlId id) { OnFormChange(id); });
    window_.SetMessageHandler([this](UINT message, WPARAM wParam, LPARAM lParam) {
        return OnMessage(message, wParam, lParam);
    });
}

FormBinding::~FormBinding() {
    window_.SetMessageHandler(nullptr);
    form_.SetChangeListener(nullptr);
    for (const TimerControl& timer : timers_) {
        if (timer.running && window_.Handle()) {
            KillTimer(window_.Handle(), timer.id);
        }
    }
}

bool FormBinding::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            return HIWORD(wParam) == BN_CLICKED && OnClicked(reinterpret_cast<HWND>(lParam));
        case WM_VSCROLL:
            return OnScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        case kSetSpinnerValue:
            return OnSetValue(reinterpret_cast<HWND>(lParam), static_cast<int>(wParam));
        case WM_TIMER:
            return OnTimer(wParam);
        default:
            return false;
    }
}

bool FormBinding::OnClicked(HWND widget) {
    for (const ButtonControl& button : buttons_) {
        if (button.widget == widget) {
            button.model->Click();
            return true;
        }
    }
    for (const CheckControl& check : checks_) {
        if (check.widget == widget) {
            // The box has ticked or unticked itself; the new value runs the click procedure.
            check.model->SetValue(SendMessageW(widget, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
            return true;
        }
    }
    return false;
}

bool FormBinding::OnScroll(HWND widget, int request) {
    for (const ScrollControl& scroll : scrolls_) {
        if (scroll.widget != widget) {
            continue;
        }
        ScrollBar& spinner = *scroll.model;
        const int value = spinner.Value();
        switch (request) {
            case SB_LINEUP:
            case SB_PAGEUP:
                spinner.SetValue(value + 1);
                break;
            case SB_LINEDOWN:
            case SB_PAGEDOWN:
                spinner.SetValue(value - 1);
                break;
            case SB_TOP:
                spinner.SetValue(spinner.Max());
                break;
            case SB_BOTTOM:
                spinner.SetValue(spinner.Min());
                break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION: {
                SCROLLINFO track{};
                track.cbSize = sizeof track;
                track.fMask = SIF_TRACKPOS;
                GetScrollInfo(widget, SB_CTL, &track);
                spinner.SetValue(
                    ReflectInSpinnerRange(spinner.Min(), spinner.Max(), track.nTrackPos));
                break;
            }
            default:
                break;
        }
        // A scroll bar moves its thumb only when told; at either end nothing changed.
        ShowScroll(scroll);
        return true;
    }
    return false;
}

bool FormBinding::OnSetValue(HWND widget, int value) {
    for (const ScrollControl& scroll : scrolls_) {
        if (scroll.widget == widget) {
            scroll.model->SetValue(value);
            ShowScroll(scroll);
            return true;
        }
    }
    return false;
}

bool FormBinding::OnTimer(UINT_PTR id) {
    for (const TimerControl& timer : timers_) {
        if (timer.id == id) {
            // A tick that was already due when the timer stopped is dropped.
            if (timer.model->Enabled()) {
                timer.model->Tick();
            }
            return true;
        }
    }
    return false;
}

void FormBinding::OnFormChange(ControlId id) {
    for (const CheckControl& check : checks_) {
        if (check.model->Id() == id) {
            ShowCheck(check);
        }
    }
    for (const ScrollControl& scroll : scrolls_) {
        if (scroll.model->Id() == id) {
            ShowScroll(scroll);
        }
    }
    for (const TextControl& text : texts_) {
        if (text.model->Id() == id) {
            ShowText(text);
        }
    }
    for (TimerControl& timer : timers_) {
        if (timer.model->Id() == id) {
            ShowTimer(timer);
        }
    }
}

// None of these sends a notification back, so showing a value never re-enters Form1.
void FormBinding::ShowCheck(const CheckControl& check) {
    SendMessageW(check.widget, BM_SETCHECK, check.model->Ticked() ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FormBinding::ShowScroll(const ScrollControl& scroll) {
    SCROLLINFO position{};
    position.cbSize = sizeof position;
    position.fMask = SIF_POS;
    const ScrollBar& spinner = *scroll.model;
    position.nPos = ReflectInSpinnerRange(spinner.Min(), spinner.Max(), spinner.Value());
    SetScrollInfo(scroll.widget, SB_CTL, &position, TRUE);
}

void FormBinding::ShowText(const TextControl& text) {
    SetWindowTextW(text.widget, Utf16(text.model->Text()).c_str());
}

// SetTimer on a running timer would restart its interval: a running timer keeps its phase.
void FormBinding::ShowTimer(TimerControl& timer) {
    const bool enabled = timer.model->Enabled();
    if (enabled && !timer.running) {
        SetTimer(window_.Handle(), timer.id, static_cast<UINT>(timer.model->IntervalMs()), nullptr);
    } else if (!enabled && timer.running) {
        KillTimer(window_.Handle(), timer.id);
    }
    timer.running = enabled;
}
