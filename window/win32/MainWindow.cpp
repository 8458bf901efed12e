#include "window/win32/MainWindow.h"

#include <cmath>
#include <iterator>
#include <string>

#include "common/windows/WideText.h"
#include "window/Twips.h"
#include "window/win32/Accessibility.h"
#include "window/win32/Dpi.h"
#include "window/win32/HighContrast.h"
#include "window/win32/ResourceIds.h"

namespace {

// Dialog navigation moves through the controls from the top of the stack downwards. Later
// controls lie on top, so the Tab order is the focusable controls in reverse table order; this
// holds the table to that.
constexpr bool TabOrderFollowsStacking() {
    const auto order = TabOrder();
    std::size_t next = 0;
    for (auto control = kControls.rbegin(); control != kControls.rend(); ++control) {
        if (TakesFocus(control->kind)) {
            if (next == order.size() || order[next] != &*control) {
                return false;
            }
            ++next;
        }
    }
    return next == order.size();
}
static_assert(TabOrderFollowsStacking(), "Tab order must be the reverse of the creation order");

const wchar_t* ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::ScrollBar:
            return L"SCROLLBAR";
        case ControlKind::TextBox:
            return L"EDIT";
        case ControlKind::Label:
        case ControlKind::Picture:
            return L"STATIC";
        case ControlKind::Frame:
        case ControlKind::CheckBox:
        case ControlKind::Button:
            break;
    }
    return L"BUTTON";
}

DWORD StyleOf(const ControlSpec& design) {
    // Every control is a group of its own, so the arrow keys never move the focus to a label.
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_GROUP;
    if (TakesFocus(design.kind)) {
        style |= WS_TABSTOP;
    }
    switch (design.kind) {
        case ControlKind::Frame:
            return style | BS_GROUPBOX;
        case ControlKind::ScrollBar:
            return style | SBS_VERT;
        case ControlKind::CheckBox:
            return style | BS_AUTOCHECKBOX;
        case ControlKind::TextBox:
            return style | ES_AUTOHSCROLL | (design.centred ? ES_CENTER : ES_LEFT) |
                   (design.readOnly ? ES_READONLY : 0);
        case ControlKind::Label:
            return style | SS_NOPREFIX | (design.centred ? SS_CENTER : SS_LEFT);
        case ControlKind::Button:
            return style | BS_PUSHBUTTON;  // never BS_DEFPUSHBUTTON: Enter presses nothing
        case ControlKind::Picture:
            return style | SS_OWNERDRAW;
    }
    return style;
}

DWORD ExStyleOf(const ControlSpec& design) {
    return design.kind == ControlKind::TextBox ? WS_EX_CLIENTEDGE : 0;
}

// Place in the window's client area: a control inside the frame is placed relative to it.
PixelRect PlaceOf(const ControlSpec& design, int dpi) {
    PixelRect place = ToPixels(design.rect, dpi);
    if (!design.container.empty()) {
        const PixelRect container = ToPixels(FindControl(design.container)->rect, dpi);
        place.left += container.left;
        place.top += container.top;
    }
    return place;
}

SIZE ClientSize(int dpi) {
    return {TwipsToPixels(kWindow.clientWidthTwips, dpi),
            TwipsToPixels(kWindow.clientHeightTwips, dpi)};
}

SIZE WindowSize(int dpi) {
    const SIZE client = ClientSize(dpi);
    return WindowSizeForClient(client.cx, client.cy, MainWindow::kStyle, MainWindow::kExStyle, dpi);
}

bool SameFont(const FontSpec& a, const FontSpec& b) {
    return a.points == b.points && a.bold == b.bold && a.italic == b.italic &&
           a.charset == b.charset;
}

HFONT CreateDesignFont(const FontSpec& design, int dpi) {
    // The character height in pixels, negative as CreateFont takes it; points in tenths keeps
    // the arithmetic exact.
    const int height = -MulDiv(static_cast<int>(std::lround(design.points * 10)), dpi, 720);
    return CreateFontW(height, 0, 0, 0, design.bold ? FW_BOLD : FW_NORMAL, design.italic, FALSE,
                       FALSE, static_cast<BYTE>(design.charset), OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       Utf16(kFont).c_str());
}

void RegisterMainWindowClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_VANTREL), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                   GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDI_VANTREL), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    // A second window in the same process (the tests make several) finds the class registered.
    RegisterClassExW(&windowClass);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {
    RegisterMainWindowClass(instance, WindowProcedure);
    // An owned window gets no taskbar button; the owner itself is never shown.
    owner_ = CreateWindowExW(0, L"STATIC", Utf16(kWindow.title).c_str(), WS_OVERLAPPED, 0, 0, 0, 0,
                             nullptr, nullptr, instance, nullptr);
    const SIZE size = WindowSize(SystemDpi());
    CreateWindowExW(kExStyle, kMainWindowClass, Utf16(kWindow.title).c_str(), kStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, size.cx, size.cy, owner_, nullptr, instance, this);
    picture_ = static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(IDB_USB_PICTURE),
                                               IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    CreateControls();
    // The window may sit on a monitor with a density other than the system's.
    LayOut(WindowDpi(window_));
    focusWhenInactive_ = Control(TabOrder()[0]->name);
    DescribeForAssistiveTechnology(*this);
}

MainWindow::~MainWindow() {
    if (window_) {
        DestroyWindow(window_);
    }
    DestroyWindow(owner_);
    for (const Font& font : fonts_) {
        DeleteObject(font.handle);
    }
    DeleteObject(picture_);
}

HWND MainWindow::Control(std::string_view name) const {
    const ControlSpec* design = FindControl(name);
    return design ? controls_[static_cast<std::size_t>(design - kControls.data())] : nullptr;
}

const ControlSpec* MainWindow::SpecOf(HWND control) const {
    for (std::size_t index = 0; index < controls_.size(); ++index) {
        if (controls_[index] == control) {
            return &kControls[index];
        }
    }
    return nullptr;
}

void MainWindow::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

void MainWindow::Dispatch(MSG& message) const {
    if (window_ && (message.hwnd == window_ || IsChild(window_, message.hwnd))) {
        // Dialog navigation makes the focused push button the default one and presses it on
        // Enter, and turns Esc into IDCANCEL. This window has no default or cancel button.
        const bool enterOrEsc = message.message == WM_KEYDOWN || message.message == WM_KEYUP ||
                                message.message == WM_CHAR;
        if (enterOrEsc && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
            return;
        }
        if (IsDialogMessageW(window_, &message)) {
            return;
        }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void MainWindow::CreateControls() {
    for (std::size_t index = 0; index < kControls.size(); ++index) {
        const ControlSpec& design = kControls[index];
        const HWND control =
            CreateWindowExW(ExStyleOf(design), ClassOf(design.kind), Utf16(design.caption).c_str(),
                            StyleOf(design), 0, 0, 0, 0, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
                            instance_, nullptr);
        // Later controls lie on top, which also gives dialog navigation the Tab order.
        SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        controls_[index] = control;
    }
}

void MainWindow::LayOut(int dpi) {
    dpi_ = dpi;
    ReplaceFonts(dpi);
    for (std::size_t index = 0; index < kControls.size(); ++index) {
        const PixelRect place = PlaceOf(kControls[index], dpi);
        SetWindowPos(controls_[index], nullptr, place.left, place.top, place.width, place.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const SIZE size = WindowSize(dpi);
    SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The picture is stretched to its box: a resized box must be drawn whole again.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainWindow::ReplaceFonts(int dpi) {
    std::vector<Font> old;
    old.swap(fonts_);
    for (const ControlSpec& design : kControls) {
        if (!FontFor(design.font)) {
            fonts_.push_back({design.font, CreateDesignFont(design.font, dpi)});
        }
    }
    for (std::size_t index = 0; index < kControls.size(); ++index) {
        SendMessageW(controls_[index], WM_SETFONT,
                     reinterpret_cast<WPARAM>(FontFor(kControls[index].font)), TRUE);
    }
    for (const Font& font : old) {
        DeleteObject(font.handle);
    }
}

HFONT MainWindow::FontFor(const FontSpec& design) const {
    for (const Font& font : fonts_) {
        if (SameFont(font.design, design)) {
            return font.handle;
        }
    }
    return nullptr;
}

LRESULT MainWindow::ColourStatic(HDC dc, HWND control) const {
    const ControlSpec* design = SpecOf(control);
    if (design && design->textColour) {
        SetTextColor(dc, LabelTextColour(*design->textColour, HighContrastOn(),
                                         GetSysColor(COLOR_WINDOWTEXT)));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    if (design && design->readOnly) {
        // Locked against typing, yet drawn as an ordinary text box rather than a disabled one.
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    return DefWindowProcW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(control));
}

void MainWindow::DrawPicture(const DRAWITEMSTRUCT& item) const {
    BITMAP bitmap{};
    GetObjectW(picture_, sizeof bitmap, &bitmap);
    const HDC source = CreateCompatibleDC(item.hDC);
    const HGDIOBJ previous = SelectObject(source, picture_);
    SetStretchBltMode(item.hDC, HALFTONE);
    SetBrushOrgEx(item.hDC, 0, 0, nullptr);
    const RECT& box = item.rcItem;
    StretchBlt(item.hDC, box.left, box.top, box.right - box.left, box.bottom - box.top, source, 0,
               0, bitmap.bmWidth, bitmap.bmHeight, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY && self) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->controls_ = {};
        self = nullptr;
    }
    return self ? self->HandleMessage(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

void MainWindow::End(bool sessionEnds) {
    if (ended_) {
        return;
    }
    ended_ = true;
    ShowWindow(window_, SW_HIDE);
    if (endHandler_) {
        endHandler_(sessionEnds);
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // What dialog navigation sends for Enter and Esc; no control has these IDs.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.hwndItem == Control("Image1")) {
                DrawPicture(item);
                return TRUE;
            }
            break;
        }
        case WM_DPICHANGED: {
            LayOut(LOWORD(wParam));
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_ACTIVATE:
            // As a dialog box does: the focus leaves with the window and comes back with it.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(window_, focus)) {
                    focusWhenInactive_ = focus;
                }
            } else if (focusWhenInactive_) {
                SetFocus(focusWhenInactive_);
            }
            return 0;
        case WM_CLOSE:
            End(false);
            DestroyWindow(window_);
            return 0;
        case WM_QUERYENDSESSION:
            ShutdownBlockReasonCreate(window_, L"Vantrel is switching USB devices back on.");
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) {
                End(true);
            }
            ShutdownBlockReasonDestroy(window_);
            if (wParam) {
                DestroyWindow(window_);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    if (handler_ && handler_(message, wParam, lParam)) {
        return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}
