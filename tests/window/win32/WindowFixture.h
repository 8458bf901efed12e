#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "panel/Form1.h"
#include "window/win32/FormBinding.h"
#include "window/win32/MainWindow.h"

// The real window and binding on a Form1 whose launches are recorded, shown on Wine's display and
// driven through the same dispatch as the program's message loop.
class WindowTest : public ::testing::Test {
  protected:
    std::vector<DeviceVerb> launches;
    Form1 form{[this](DeviceVerb verb) { launches.push_back(verb); }};
    MainWindow window{GetModuleHandleW(nullptr)};
    FormBinding binding{form, window};

    void SetUp() override {
        window.Show(SW_SHOWNORMAL);
        Pump();
    }

    // Runs what waits in this thread's queue as the program's loop would. A window closed by an
    // earlier test has left its quit message behind.
    void Pump() const {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message != WM_QUIT) {
                window.Dispatch(message);
            }
        }
    }

    HWND Widget(std::string_view name) const { return window.Control(name); }

    void Click(std::string_view name) const {
        SendMessageW(Widget(name), BM_CLICK, 0, 0);
        Pump();
    }

    // One scroll request (SB_LINEUP, SB_PAGEDOWN, SB_TOP, ...) from the named scroll bar.
    void Scroll(std::string_view name, int request) const {
        SendMessageW(window.Handle(), WM_VSCROLL, MAKEWPARAM(request, 0),
                     reinterpret_cast<LPARAM>(Widget(name)));
        Pump();
    }

    // A key pressed and released, delivered to the control with the focus.
    void Press(WPARAM key) const {
        const HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        Pump();
    }

    static std::wstring TextOf(HWND widget) {
        wchar_t text[256] = {};
        SendMessageW(widget, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
        return text;
    }

    bool Ticked(std::string_view name) const {
        return SendMessageW(Widget(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    int ScrollPosition(std::string_view name) const {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        GetScrollInfo(Widget(name), SB_CTL, &info);
        return info.nPos;
    }

    // The control's rectangle in the window's client area, as {left, top, width, height}.
    std::vector<int> Place(std::string_view name) const {
        RECT rect;
        GetWindowRect(Widget(name), &rect);
        MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }

    LOGFONTW FontOf(std::string_view name) const {
        LOGFONTW font{};
        const auto handle = reinterpret_cast<HFONT>(SendMessageW(Widget(name), WM_GETFONT, 0, 0));
        GetObjectW(handle, sizeof font, &font);
        return font;
    }

    // Stops the window's timer with this ID; true when it was running. The system offers no other
    // way to ask.
    bool StopWindowTimer(UINT_PTR id) const { return KillTimer(window.Handle(), id) != FALSE; }
};
