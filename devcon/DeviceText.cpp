#include "devcon/DeviceText.h"

#include <cstdint>

namespace {

constexpr std::size_t kMaxCharacters = 128;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kCut = "\xE2\x80\xA6";          // U+2026

// Controls, bidi embeddings and isolates, direction marks, line and paragraph separators, and the
// byte order mark: each could forge or hide a line, or turn the text around.
bool IsEscaped(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

// The next well-formed UTF-8 sequence at `at`, as its code point, and how many bytes it takes;
// an ill-formed one comes back as U+FFFD, taking its longest well-formed beginning (at least one
// byte), as Unicode recommends for replacement.
std::pair<char32_t, std::size_t> Decode(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    char32_t c = 0;
    std::uint8_t low = 0x80;  // the range of the second byte, narrower after some leads
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing past U+10FFFF
    } else {
        return {0xFFFD, 1};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= text.size() || byte(at + i) < low || byte(at + i) > high) {
            return {0xFFFD, i};
        }
        c = (c << 6) | (byte(at + i) & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return {c, length};
}

}  // namespace

std::string PrintableDeviceText(std::string_view text) {
    std::string printable;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++characters) {
        if (characters == kMaxCharacters) {
            return printable.append(kCut);
        }
        const auto [c, length] = Decode(text, at);
        if (c == 0xFFFD) {
            printable.append(kReplacement);
        } else if (IsEscaped(c)) {
            printable.append(c <= 0x7F ? "\\x" : "\\u");
            for (int shift = c <= 0x7F ? 4 : 12; shift >= 0; shift -= 4) {
                printable += "0123456789abcdef"[(c >> shift) & 0xF];
            }
        } else {
            printable.append(text.substr(at, length));
        }
        at += length;
    }
    return printable;
}
