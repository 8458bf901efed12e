#include "devcon/windows/MutexLock.h"

namespace {

constexpr const wchar_t* kBoundary = L"Vantrel.devcon";
constexpr const wchar_t* kNamespace = L"Vantrel";
constexpr const wchar_t* kPrivateName = L"Vantrel\\devcon.switching";
constexpr const wchar_t* kGlobalName = L"Global\\Vantrel.devcon.switching";

// The namespace of the Administrators group, created by the first copy and opened by the others;
// nullptr where this process cannot have it.
HANDLE AdministratorsNamespace() {
    HANDLE boundary = CreateBoundaryDescriptorW(kBoundary, 0);
    if (boundary == nullptr) {
        return nullptr;
    }
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    HANDLE found = nullptr;
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
        AddSIDToBoundaryDescriptor(&boundary, administrators)) {
        // Its last holder may close it between our create and our open: then create it again.
        for (int attempt = 0; attempt < 3 && found == nullptr; ++attempt) {
            found = CreatePrivateNamespaceW(nullptr, boundary, kNamespace);
            if (found == nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
                found = OpenPrivateNamespaceW(boundary, kNamespace);
            }
        }
    }
    DeleteBoundaryDescriptor(boundary);
    return found;
}

}  // namespace

MutexLock::~MutexLock() {
    if (owned_) {
        ReleaseMutex(mutex_);
    }
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
    if (namespace_ != nullptr) {
        ClosePrivateNamespace(namespace_, 0);
    }
}

SwitchingLock::Attempt MutexLock::TryTake() {
    if (mutex_ == nullptr) {
        namespace_ = AdministratorsNamespace();
        mutex_ = CreateMutexW(nullptr, FALSE, namespace_ != nullptr ? kPrivateName : kGlobalName);
        if (mutex_ == nullptr) {
            why_ = "CreateMutexW: error " + std::to_string(GetLastError());
            return Attempt::Unavailable;
        }
    }
    switch (WaitForSingleObject(mutex_, 0)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // its last owner ended without releasing it
            owned_ = true;
            return Attempt::Taken;
        case WAIT_TIMEOUT:
            return Attempt::Busy;
        default:
            why_ = "WaitForSingleObject: error " + std::to_string(GetLastError());
            return Attempt::Unavailable;
    }
}

std::string MutexLock::WhyUnavailable() const {
    return why_;
}

std::string MutexLock::Description() const {
    return std::string("the lock is the mutex ") +
           (namespace_ != nullptr ? "devcon.switching of the Administrators' private namespace "
                                    "Vantrel"
                                  : "Global\\Vantrel.devcon.switching") +
           "; Task Manager's Details tab shows the devcon.exe that holds it";
}
