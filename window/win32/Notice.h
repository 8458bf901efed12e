#pragma once

#include <windows.h>

#include <string>

#include "launcher/DevconResult.h"
#include "window/readiness/NoticeContent.h"

// The window's one notice, a message box of its own making: a warning icon, the text in static
// controls that screen readers read as a dialog's text, and OK. It says why a click would change
// nothing (at start) and what the failed runs of devcon.exe said (later); while it is open a new
// failure adds to it, resizing it, without taking the focus: there is never a second box. It is
// not modal, so the window stays usable behind it; Enter presses nothing in it, Esc or OK closes
// it.
class Notice {
  public:
    Notice(HINSTANCE instance, HWND window) : instance_(instance), window_(window) {}
    ~Notice();
    Notice(const Notice&) = delete;
    Notice& operator=(const Notice&) = delete;

    // Shows the start-up check's `text`, unless it is empty.
    void ShowReadiness(const std::string& text);
    // Shows a finished run, if it failed.
    void AddRun(const DevconResult& run);

    // Handles a message from the thread's queue meant for the notice: dialog navigation, with
    // Enter going nowhere. Returns false for every other message.
    bool PreTranslate(MSG& message) const;

    HWND Handle() const { return dialog_; }

  private:
    static INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    void Show();
    void Create();
    void LayOut();
    void Close();

    HINSTANCE instance_;
    HWND window_;
    HWND dialog_ = nullptr;
    HWND icon_ = nullptr;
    HWND textControl_ = nullptr;
    HWND ok_ = nullptr;
    NoticeContent content_;
    std::wstring text_;  // as shown
};
