#pragma once

#include <chrono>
#include <string>

#include "Report.h"

// The machine-wide lock that every enable and disable holds for its whole run, so that copies
// started together switch one after another, and an enable started after a disable finds it
// finished. Status takes none. Each platform has its own (a named mutex, a flock); the lock is
// held until the object goes.
class SwitchingLock {
  public:
    enum class Attempt { Taken, Busy, Unavailable };

    virtual ~SwitchingLock() = default;
    // Takes the lock unless another copy holds it; never blocks.
    virtual Attempt TryTake() = 0;
    // After Unavailable: why this copy cannot take the lock at all.
    virtual std::string WhyUnavailable() const = 0;
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

// How long a copy waits for the lock at most: 60 s, or less where VANTREL_DEVCON_LOCK_WAIT_MS
// asks for less (the tests do).
std::chrono::milliseconds LockWaitBound();

// Waits until the lock is taken or `bound` has passed, trying every 20 ms. Past the bound, or
// where the lock cannot be had at all, the copy goes ahead without it and says so on standard
// output: whoever holds the lock, allowed to switch or not, can hold up a switch that long at
// most. Returns whether the lock is held.
bool TakeTurn(SwitchingLock& lock, WaitClock& clock, std::chrono::milliseconds bound,
              Report& report);
