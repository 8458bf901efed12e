#include "MutexLock.h"

namespace {

constexpr const wchar_t* kName = L"Global\\Vantrel.devcon.switching";

}  // namespace

MutexLock::~MutexLock() {
    if (owned_) {
        ReleaseMutex(mutex_);
    }
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

SwitchingLock::Attempt MutexLock::TryTake() {
    if (mutex_ == nullptr) {
        mutex_ = CreateMutexW(nullptr, FALSE, kName);
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
