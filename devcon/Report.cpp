#include "Report.h"

#include <cerrno>
#include <cstring>
#include <set>

namespace {

constexpr std::string_view kTool = "devcon.exe";

std::string_view FixFor(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "run devcon.exe as root, or install the udev rule "
                   "70-vantrel-usb-authorized.rules and join group vantrel (README: "
                   "\"Linux privileges\")";
        case EROFS:
            return "sysfs is read-only here (a container?): run devcon.exe on the host";
        default:
            return "the kernel's log (dmesg) may tell why it refused";
    }
}

// Switching the root hubs off and on brings it back: the kernel creates the devices below afresh,
// as "authorized_default" says.
constexpr std::string_view kBringBackOn =
    "have root switch it on (devcon.exe enable @USB\\* as root), or switch all USB devices off "
    "and on again (devcon.exe disable @USB\\*, then enable @USB\\*: \"Restart USB\"), which "
    "brings it back as unplugging it and plugging it in again does";

}  // namespace

void Report::Device(std::string_view label, std::string_view state) {
    out_ << label << ": " << state << '\n';
}

void Report::Count(int count, std::string_view what) {
    out_ << count << " device(s) " << what << ".\n";
}

void Report::Line(std::string_view text) {
    out_ << text << '\n';
}

void Report::ReadFailed(std::string_view entry, const std::filesystem::path& file, int error) {
    Failure(std::string(entry) + ": cannot read " + file.string(), error, FixFor(error));
}

void Report::WriteFailed(std::string_view entry, std::string_view value,
                         const std::filesystem::path& file, int error) {
    Failure(std::string(entry) + ": cannot write " + std::string(value) + " to " + file.string(),
            error, FixFor(error));
}

void Report::ListFailed(const std::filesystem::path& folder, int error) {
    Failure("cannot list " + folder.string(), error, FixFor(error));
}

void Report::SwitchOnNotPermitted(std::string_view label, const std::filesystem::path& file,
                                  int error) {
    Failure(std::string(label) +
                ": not permitted to switch it on, as it was switched off by itself, not with its "
                "root hub, and group vantrel may switch root hubs only: cannot write 1 to " +
                file.string(),
            error, kBringBackOn);
}

void Report::Failure(std::string_view message, int error, std::string_view fix) {
    err_ << kTool << ": " << message << ": " << std::strerror(error) << '\n';
    fixes_.push_back(fix);
}

void Report::Fixes() {
    std::set<std::string_view> printed;
    for (const std::string_view fix : fixes_) {
        if (printed.insert(fix).second) {
            err_ << kTool << ": to fix: " << fix << ".\n";
        }
    }
}
