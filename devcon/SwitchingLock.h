#pragma once

#include <chrono>
#include <string>

#include "devcon/Report.h"

// The machine-wide lock that every enable and disable holds for its whole run, so that copies
// started together switch one after another, and an enable started after a disable finds it
// finished. Status takes none. Each platform has its own (a mutex in a private namespace, a
// flock); the lock is held until the object goes.
class SwitchingLock {
  public:
    enum class Attempt { Taken, Busy, Unavailable };

    virtual ~SwitchingLock() = default;
    // Takes the lock unless another copy holds it; never blocks.
    virtual Attempt TryTake() = 0;
    // After Unavailable: why this copy cannot take the lock at all.
    virtual std::string WhyUnavailable() const = 0;
    // Which lock it is and how to find who holds it: "the lock is a flock of /run/vantrel;
    // lslocks shows which process holds it".
    virtual std::string Description() const = 0;
};

class WaitClock {
  public:
    virtual ~WaitClock() = default;
    virtual std::chrono::steady_clock::time_point Now() = 0;
    virtual void Sleep(std::chrono::milliseconds duration) = 0;
};

class SteadyWaitClock : public WaitClock {
  public:
    std::chrono::steady_clock::time_point Now() override;
    void Sleep(std::chrono::milliseconds duration) override;
};

// How long a copy waits for the lock that another program holds (a second Vantrel, a terminal):
// a disable briefly, then it gives up, as switching USB off late is worse than not at all; an
// enable a few seconds, then it goes ahead, as USB must come back on.
constexpr std::chrono::milliseconds kDisableLockWait{2000};
constexpr std::chrono::milliseconds kEnableLockWait{5000};

// `longest`, or less where VANTREL_DEVCON_LOCK_WAIT_MS asks for less (the tests do).
std::chrono::milliseconds LockWaitBound(std::chrono::milliseconds longest);

// Tries for the lock every 20 ms until it is taken, it cannot be had at all, or `bound` has
// passed (then Busy). Says nothing.
SwitchingLock::Attempt WaitForLock(SwitchingLock& lock, WaitClock& clock,
                                   std::chrono::milliseconds bound);

// Waits for the lock up to `bound`. Past the bound an enable goes ahead without the lock, a
// disable gives up, and either says so on standard error. Where the lock cannot be had at all,
// the copy goes ahead and says why.
enum class Turn { Locked, WithoutLock, GaveUp };
Turn TakeTurn(SwitchingLock& lock, WaitClock& clock, bool switchingOn,
              std::chrono::milliseconds bound, Report& report);
