#include "Report.h"

#include <cerrno>
#include <cstring>

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
    Failure(std::string(entry) + ": cannot read " + file.string(), error);
}

void Report::WriteFailed(std::string_view entry, std::string_view value,
                         const std::filesystem::path& file, int error) {
    Failure(std::string(entry) + ": cannot write " + std::string(value) + " to " + file.string(),
            error);
}

void Report::ListFailed(const std::filesystem::path& folder, int error) {
    Failure("cannot list " + folder.string(), error);
}

void Report::Failure(std::string_view message, int error) {
    err_ << kTool << ": " << message << ": " << std::strerror(error) << '\n';
    errors_.insert(error);
}

void Report::Fixes() {
    std::set<std::string_view> printed;
    for (const int error : errors_) {
        const std::string_view fix = FixFor(error);
        if (printed.insert(fix).second) {
            err_ << kTool << ": to fix: " << fix << ".\n";
        }
    }
}
