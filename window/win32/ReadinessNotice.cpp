#include "ReadinessNotice.h"

#include <windows.h>

#include <memory>

#include "Utf16.h"
#include "window/readiness/Notice.h"

namespace {

struct Notice {
    std::wstring title;
    std::wstring text;
};

DWORD WINAPI ShowNotice(void* parameter) {
    const std::unique_ptr<Notice> notice(static_cast<Notice*>(parameter));
    MessageBoxW(nullptr, notice->text.c_str(), notice->title.c_str(), MB_OK | MB_ICONWARNING);
    return 0;
}

}  // namespace

void ShowReadinessNotice(const std::string& text) {
    if (text.empty()) {
        return;
    }
    auto notice = std::make_unique<Notice>(Notice{Utf16(kNoticeTitle), Utf16(text)});
    const HANDLE thread = CreateThread(nullptr, 0, ShowNotice, notice.get(), 0, nullptr);
    if (thread != nullptr) {
        notice.release();  // the thread owns it now
        CloseHandle(thread);
    }
}
