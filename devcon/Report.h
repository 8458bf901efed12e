#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// What a command prints: one line per device on standard output, failures on standard error
// (naming the device, the file and the error, as usbreset does), the fix for each kind of failure
// met, and a closing count.
class Report {
  public:
    Report(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // "usb1 (xHCI Host Controller): disabled"
    void Device(std::string_view label, std::string_view state);
    // "3 device(s) disabled."
    void Count(int count, std::string_view what);
    void Line(std::string_view text);

    void ReadFailed(std::string_view entry, const std::filesystem::path& file, int error);
    void WriteFailed(std::string_view entry, std::string_view value,
                     const std::filesystem::path& file, int error);
    void ListFailed(const std::filesystem::path& folder, int error);
    // A device below a root hub that this user may not switch on: only root hubs are opened to
    // group vantrel, and a device switched off by itself is root's to switch on again.
    void SwitchOnNotPermitted(std::string_view label, const std::filesystem::path& file, int error);

    // Prints how to fix each kind of failure met so far, once per kind.
    void Fixes();

    bool Failed() const { return !fixes_.empty(); }

  private:
    void Failure(std::string_view message, int error, std::string_view fix);

    std::ostream& out_;
    std::ostream& err_;
    std::vector<std::string_view> fixes_;  // one per failure, in the order met
};
