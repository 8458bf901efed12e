#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "window/ControlTable.h"

inline constexpr wchar_t kMainWindowClass[] = L"VantrelMainWindow";

// Each drawn control's child-window ID: 100 plus its place in the table. None is IDOK (1) or
// IDCANCEL (2), the IDs that dialog navigation sends for Enter and Esc, so those press nothing.
inline constexpr int kFirstControlId = 100;

constexpr int ControlIdOf(std::string_view name) {
    for (std::size_t index = 0; index < kControls.size(); ++index) {
        if (kControls[index].name == name) {
            return kFirstControlId + static_cast<int>(index);
        }
    }
    return 0;
}

// The one window, built from the shared control table: a fixed dialog frame, kept out of the
// taskbar by a hidden owner window, with its fifteen controls, fonts and picture laid out at the
// window's DPI and laid out again when that changes. It knows nothing of Form1: the messages of
// its controls and timers go to the handler that FormBinding installs.
class MainWindow {
  public:
    // Returns true when it has handled the message.
    using MessageHandler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam)>;

    static constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    static constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

    explicit MainWindow(HINSTANCE instance);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND Handle() const { return window_; }
    HWND Control(std::string_view name) const;
    int Dpi() const { return dpi_; }

    void SetMessageHandler(MessageHandler handler) { handler_ = std::move(handler); }

    // Runs once, before the window goes, whichever way the program ends: its close (close box,
    // Alt+F4, or the installer's WM_CLOSE) or the session's end (logoff, shut down). The window
    // is hidden first; at a session's end Windows is told why the program holds it up meanwhile.
    using EndHandler = std::function<void(bool sessionEnds)>;
    void SetEndHandler(EndHandler handler) { endHandler_ = std::move(handler); }

    // Shows the window where the system places it, with the focus on the first control in Tab
    // order.
    void Show(int showCommand);

    // Hands on a message taken from the thread's queue: keys that move between the controls go to
    // dialog navigation, Enter and Esc nowhere, everything else to its window.
    void Dispatch(MSG& message) const;

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void End(bool sessionEnds);

    void CreateControls();
    void LayOut(int dpi);
    void ReplaceFonts(int dpi);
    HFONT FontFor(const FontSpec& design) const;
    LRESULT ColourStatic(HDC dc, HWND control) const;
    void DrawPicture(const DRAWITEMSTRUCT& item) const;
    const ControlSpec* SpecOf(HWND control) const;

    HINSTANCE instance_;
    HWND owner_ = nullptr;
    HWND window_ = nullptr;
    std::array<HWND, kControls.size()> controls_{};
    struct Font {
        FontSpec design;
        HFONT handle;
    };
    std::vector<Font> fonts_;
    HBITMAP picture_ = nullptr;
    HWND focusWhenInactive_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    MessageHandler handler_;
    EndHandler endHandler_;
    bool ended_ = false;
};
