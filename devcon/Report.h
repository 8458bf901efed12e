#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "devcon/Output.h"

// What a command prints, whatever the device layer: one line per device on standard output,
// failures on standard error (naming the device and the error), the fix for each kind of failure
// met, and a closing count. Standard error carries failures, and notes of what held a switch up.
// The exit code follows from the failures reported.
// "60.0 s"
std::string SecondsText(std::chrono::milliseconds duration);

class Report {
  public:
    Report(Output& out, Output& err) : out_(out), err_(err) {}

    // "usb1 (xHCI Host Controller): disabled"
    void Device(std::string_view label, std::string_view state);
    // "3 device(s) disabled."
    void Count(int count, std::string_view what);
    void Line(std::string_view text);

    // "devcon.exe: MESSAGE: ERROR" on standard error ("devcon.exe: MESSAGE" where there is no
    // error code to tell); the fix is printed once by Fixes().
    void Failure(std::string_view message, std::string_view error, std::string_view fix);
    // "devcon.exe: TEXT" on standard error, without failing the run.
    void Note(std::string_view text);
    // A switch that Windows finishes only when it restarts.
    void RestartNeeded() { restartNeeded_ = true; }

    // Prints how to fix each kind of failure met so far, once per kind.
    void Fixes();

    bool Failed() const { return !fixes_.empty(); }
    // 2 after any failure, else 1 where a restart is needed to finish, else 0.
    int ExitCode() const;

  private:
    Output& out_;
    Output& err_;
    std::vector<std::string> fixes_;  // one per failure, in the order met
    bool restartNeeded_ = false;
};
