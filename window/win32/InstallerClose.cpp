#include "window/win32/InstallerClose.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

constexpr const wchar_t* kEventName = L"Global\\" VANTREL_CLOSE_EVENT;
// Protected DACL: all access for SYSTEM and the Administrators group, none for anyone else.
constexpr const wchar_t* kAdministratorsOnly = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// An event that someone else made first counts only if SYSTEM or the Administrators own it:
// another user's could close Vantrel at will.
bool OwnedByAdministrators(HANDLE event) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(event, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool trusted = IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                         IsWellKnownSid(owner, WinLocalSystemSid);
    LocalFree(descriptor);
    return trusted;
}

void CALLBACK CloseWindow(void* window, BOOLEAN) {
    PostMessageW(static_cast<HWND>(window), WM_CLOSE, 0, 0);
}

}  // namespace

InstallerClose::InstallerClose(HWND window) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            kAdministratorsOnly, SDDL_REVISION_1, &attributes.lpSecurityDescriptor, nullptr)) {
        return;
    }
    event_ = CreateEventW(&attributes, TRUE, FALSE, kEventName);
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    LocalFree(attributes.lpSecurityDescriptor);
    if (event_ == nullptr) {
        return;
    }
    if ((existed && !OwnedByAdministrators(event_)) ||
        !RegisterWaitForSingleObject(&wait_, event_, CloseWindow, window, INFINITE,
                                     WT_EXECUTEONLYONCE)) {
        CloseHandle(event_);
        event_ = nullptr;
        wait_ = nullptr;
    }
}

InstallerClose::~InstallerClose() {
    if (wait_ != nullptr) {
        UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);  // until a callback under way has ended
    }
    if (event_ != nullptr) {
        CloseHandle(event_);
    }
}
