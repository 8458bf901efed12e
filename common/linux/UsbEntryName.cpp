#include "common/linux/UsbEntryName.h"

#include <charconv>

namespace {

// A whole decimal number without sign or leading junk.
std::optional<int> ParseNumber(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || text.front() == '-') {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<UsbEntryName> ParseUsbDeviceName(std::string_view name) {
    if (name.starts_with("usb")) {
        const auto bus = ParseNumber(name.substr(3));
        return bus ? std::optional(UsbEntryName{*bus, {}}) : std::nullopt;
    }
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto bus = ParseNumber(name.substr(0, dash));
    if (!bus) {
        return std::nullopt;
    }
    UsbEntryName parsed{*bus, {}};
    std::string_view rest = name.substr(dash + 1);
    while (true) {
        const std::size_t dot = rest.find('.');
        const auto port = ParseNumber(rest.substr(0, dot));
        if (!port) {
            return std::nullopt;  // interfaces ("1-2:1.0") end up here too
        }
        parsed.ports.push_back(*port);
        if (dot == std::string_view::npos) {
            return parsed;
        }
        rest = rest.substr(dot + 1);
    }
}
