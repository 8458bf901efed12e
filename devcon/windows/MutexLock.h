#pragma once

#include <windows.h>

#include "devcon/SwitchingLock.h"

// The switching lock on Windows: a mutex in a private namespace whose boundary holds the
// Administrators group, shared by the copies of every session. Only a process whose token holds
// that group (an administrator's elevated process, as devcon.exe started by Vantrel is) can
// create or open the namespace, so no other user can take the lock and hold a switch up. Where
// the namespace cannot be had, the mutex Global\Vantrel.devcon.switching stands in, which a
// mutex of that name made first by another user could hold; the bounded wait caps that. A copy
// that ends without releasing the mutex (killed, say) leaves it abandoned, which counts as free.
class MutexLock : public SwitchingLock {
  public:
    MutexLock() = default;
    ~MutexLock() override;
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    Attempt TryTake() override;
    std::string WhyUnavailable() const override;
    std::string Description() const override;

  private:
    HANDLE namespace_ = nullptr;
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
    std::string why_;
};
