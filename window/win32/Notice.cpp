#include "window/win32/Notice.h"

#include <algorithm>
#include <vector>

#include "common/windows/WideText.h"
#include "window/win32/Dpi.h"

namespace {

// Not IDOK: dialog navigation sends IDOK for Enter, which must press nothing.
constexpr int kOkId = 100;

// Widths and spacing at 96 dpi, as a message box has them.
constexpr int kMargin = 12;
constexpr int kIconGap = 10;
constexpr int kTextWidth = 520;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;

int Scale(int pixels, int dpi) {
    return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI);
}

// An empty dialog in the shell's dialog font; WM_INITDIALOG adds the controls.
std::vector<WORD> DialogTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(words.data());
    dialog->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT;
    words.insert(words.end(), {0, 0, 0});  // no menu, the dialog class, no title yet
    words.push_back(8);                    // points
    for (const wchar_t letter : std::wstring_view(L"MS Shell Dlg")) {
        words.push_back(letter);
    }
    words.push_back(0);
    return words;
}

HWND AddControl(HWND dialog, const wchar_t* windowClass, const wchar_t* text, DWORD style, int id) {
    const HWND control =
        CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
    return control;
}

// The height of `text` wrapped to `width` pixels in the control's font.
int TextHeight(HWND control, const std::wstring& text, int width) {
    const HDC dc = GetDC(control);
    const HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT box{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return box.bottom;
}

}  // namespace

Notice::~Notice() {
    if (dialog_ != nullptr) {
        DestroyWindow(dialog_);
    }
}

void Notice::ShowReadiness(const std::string& text) {
    if (!text.empty()) {
        content_.SetReadiness(text);
        Show();
    }
}

void Notice::AddRun(const DevconResult& run) {
    if (content_.AddRun(run)) {
        Show();
    }
}

bool Notice::PreTranslate(MSG& message) const {
    if (dialog_ == nullptr || (message.hwnd != dialog_ && !IsChild(dialog_, message.hwnd))) {
        return false;
    }
    const bool key =
        message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR;
    if (key && message.wParam == VK_RETURN) {
        return true;
    }
    return IsDialogMessageW(dialog_, &message);
}

void Notice::Show() {
    const bool opening = dialog_ == nullptr;
    if (opening) {
        Create();
        if (dialog_ == nullptr) {
            return;
        }
    }
    text_ = Utf16(content_.Text());
    SetWindowTextW(dialog_, Utf16(content_.Title()).c_str());
    SetWindowTextW(textControl_, text_.c_str());
    LayOut();
    if (opening) {
        // Just below the window, so that its buttons stay in sight, and within the screen; it
        // takes the focus, with the sound and event of a warning box.
        RECT window;
        GetWindowRect(window_, &window);
        SetWindowPos(dialog_, nullptr, window.left, window.bottom, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(dialog_, DM_REPOSITION, 0, 0);
        ShowWindow(dialog_, SW_SHOW);
        SetFocus(ok_);
        MessageBeep(MB_ICONWARNING);
        NotifyWinEvent(EVENT_SYSTEM_ALERT, dialog_, OBJID_CLIENT, CHILDID_SELF);
    }
}

void Notice::Create() {
    const std::vector<WORD> words = DialogTemplate();
    CreateDialogIndirectParamW(instance_, reinterpret_cast<const DLGTEMPLATE*>(words.data()),
                               window_, DialogProcedure, reinterpret_cast<LPARAM>(this));
}

// The text sets the size: as wide as a message box lets it be, as high as it needs, within the
// screen's working area.
void Notice::LayOut() {
    const int dpi = WindowDpi(dialog_);
    const int margin = Scale(kMargin, dpi);
    const int iconSize = GetSystemMetrics(SM_CXICON);
    const int textLeft = margin + iconSize + Scale(kIconGap, dpi);
    const int textWidth = Scale(kTextWidth, dpi);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
    const int buttonHeight = Scale(kButtonHeight, dpi);
    const int mostText = (monitor.rcWork.bottom - monitor.rcWork.top) - 3 * margin - buttonHeight -
                         GetSystemMetrics(SM_CYCAPTION) * 2;
    const int textHeight =
        std::min(TextHeight(textControl_, text_, textWidth), std::max(mostText, iconSize));
    const int clientWidth = textLeft + textWidth + margin;
    const int buttonTop = margin + std::max(textHeight, iconSize) + margin;
    const int clientHeight = buttonTop + buttonHeight + margin;

    SetWindowPos(icon_, nullptr, margin, margin, iconSize, iconSize, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(textControl_, nullptr, textLeft, margin, textWidth, textHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const int buttonWidth = Scale(kButtonWidth, dpi);
    SetWindowPos(ok_, nullptr, clientWidth - margin - buttonWidth, buttonTop, buttonWidth,
                 buttonHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE size =
        WindowSizeForClient(clientWidth, clientHeight, GetWindowLongW(dialog_, GWL_STYLE),
                            GetWindowLongW(dialog_, GWL_EXSTYLE), dpi);
    SetWindowPos(dialog_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(dialog_, nullptr, TRUE);
}

void Notice::Close() {
    DestroyWindow(dialog_);
}

INT_PTR CALLBACK Notice::DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Notice*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->dialog_ = dialog;
        self->icon_ = AddControl(dialog, L"STATIC", nullptr, SS_ICON, -1);
        SendMessageW(self->icon_, STM_SETICON,
                     reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_WARNING)), 0);
        self->textControl_ =
            AddControl(dialog, L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, -1);
        self->ok_ = AddControl(dialog, L"BUTTON", L"OK", BS_PUSHBUTTON | WS_TABSTOP, kOkId);
        return FALSE;  // the focus is set when it shows
    }
    auto* self = reinterpret_cast<Notice*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND:
            // OK clicked or pressed with Space, Esc, or the close box; never Enter (IDOK).
            if ((LOWORD(wParam) == kOkId && HIWORD(wParam) == BN_CLICKED) ||
                LOWORD(wParam) == IDCANCEL) {
                self->Close();
            }
            return TRUE;
        case WM_DPICHANGED:
            self->LayOut();
            return TRUE;
        case WM_DESTROY:
            self->content_.Clear();
            self->dialog_ = self->icon_ = self->textControl_ = self->ok_ = nullptr;
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            return TRUE;
        default:
            return FALSE;
    }
}
