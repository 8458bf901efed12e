#pragma once

#include <windows.h>

#include "devcon/Output.h"

// Writes to a standard handle: a console gets UTF-16 through WriteConsoleW, whatever its code
// page; a file or pipe gets the UTF-8 bytes through WriteFile, with Windows' "\r\n" line ends.
class HandleOutput : public Output {
  public:
    explicit HandleOutput(DWORD standardHandle);
    void Write(std::string_view text) override;

  private:
    HANDLE handle_;
    bool console_;
};
