#pragma once

#include <windows.h>

#include "SwitchingLock.h"

// The switching lock on Windows: a mutex named in the Global\ namespace, so that the copies of
// every session share it. A copy that ends without releasing it (killed, say) leaves it
// abandoned, which counts as free. Created on the first try, with the default security of an
// administrator's process: only administrators may open it. A mutex of that name made first by
// another user is someone else's, and the bounded wait caps how long it can hold up a switch.
class MutexLock : public SwitchingLock {
  public:
    MutexLock() = default;
    ~MutexLock() override;
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    Attempt TryTake() override;
    std::string WhyUnavailable() const override;

  private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
    std::string why_;
};
