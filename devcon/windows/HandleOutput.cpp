#include "devcon/windows/HandleOutput.h"

#include <algorithm>
#include <string>

#include "common/windows/WideText.h"

HandleOutput::HandleOutput(DWORD standardHandle) : handle_(GetStdHandle(standardHandle)) {
    DWORD mode = 0;
    console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
               GetConsoleMode(handle_, &mode) != 0;
}

void HandleOutput::Write(std::string_view text) {
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) {
        return;  // started without one: nowhere to say anything
    }
    if (console_) {
        const std::wstring wide = Utf16(text);
        for (std::size_t at = 0; at < wide.size();) {
            DWORD written = 0;
            const DWORD count = static_cast<DWORD>(std::min<std::size_t>(wide.size() - at, 8192));
            if (!WriteConsoleW(handle_, wide.data() + at, count, &written, nullptr) ||
                written == 0) {
                return;
            }
            at += written;
        }
        return;
    }
    std::string bytes;
    for (const char c : text) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    for (std::size_t at = 0; at < bytes.size();) {
        DWORD written = 0;
        if (!WriteFile(handle_, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written,
                       nullptr) ||
            written == 0) {
            return;
        }
        at += written;
    }
}
