#pragma once

#include <windows.h>

// The installer's request to close Vantrel, in whatever session it runs: a manual-reset event,
// Global\ and VANTREL_CLOSE_EVENT by name, that only Administrators and SYSTEM may set. Once it is
// set, the window is sent WM_CLOSE, the way its close box closes it.
class InstallerClose {
  public:
    explicit InstallerClose(HWND window);
    ~InstallerClose();
    InstallerClose(const InstallerClose&) = delete;
    InstallerClose& operator=(const InstallerClose&) = delete;

  private:
    HANDLE event_ = nullptr;
    HANDLE wait_ = nullptr;
};
