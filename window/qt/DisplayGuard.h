#pragma once

// Qt aborts with a page of text when no platform plugin will start: no display, one that cannot be
// opened, or a plugin that is not installed. Held while the QApplication is created, this turns
// that into one line with the cause Qt found and exit code 1, and exits at once when no display
// is set at all. Qt's other messages meanwhile are held back and passed on by Release().
class DisplayGuard {
  public:
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;

    void Release();

  private:
    bool held_ = true;
};
