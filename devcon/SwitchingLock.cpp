#include "devcon/SwitchingLock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::chrono::milliseconds kRetryEvery{20};

}  // namespace

// On Windows through the system's own calls: the C++ library's clock and sleep would link a
// POSIX threads layer into devcon.exe.
std::chrono::steady_clock::time_point SteadyWaitClock::Now() {
#ifdef _WIN32
    return std::chrono::steady_clock::time_point(std::chrono::milliseconds(GetTickCount64()));
#else
    return std::chrono::steady_clock::now();
#endif
}

void SteadyWaitClock::Sleep(std::chrono::milliseconds duration) {
#ifdef _WIN32
    ::Sleep(static_cast<DWORD>(duration.count()));
#else
    std::this_thread::sleep_for(duration);
#endif
}

std::chrono::milliseconds LockWaitBound(std::chrono::milliseconds longest) {
    const char* asked = std::getenv("VANTREL_DEVCON_LOCK_WAIT_MS");
    if (asked == nullptr || *asked == '\0') {
        return longest;
    }
    char* end = nullptr;
    const long long milliseconds = std::strtoll(asked, &end, 10);
    if (*end != '\0' || milliseconds < 0 || milliseconds > longest.count()) {
        return longest;
    }
    return std::chrono::milliseconds(milliseconds);
}

SwitchingLock::Attempt WaitForLock(SwitchingLock& lock, WaitClock& clock,
                                   std::chrono::milliseconds bound) {
    const auto start = clock.Now();
    while (true) {
        const SwitchingLock::Attempt attempt = lock.TryTake();
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - start);
        if (attempt != SwitchingLock::Attempt::Busy || waited >= bound) {
            return attempt;
        }
        clock.Sleep(std::min(kRetryEvery, bound - waited));
    }
}

Turn TakeTurn(SwitchingLock& lock, WaitClock& clock, bool switchingOn,
              std::chrono::milliseconds bound, Report& report) {
    const auto start = clock.Now();
    const SwitchingLock::Attempt attempt = WaitForLock(lock, clock, bound);
    if (attempt == SwitchingLock::Attempt::Taken) {
        return Turn::Locked;
    }
    if (attempt == SwitchingLock::Attempt::Unavailable) {
        report.Note("cannot wait for other copies of devcon.exe to finish switching (" +
                    lock.WhyUnavailable() + "); going ahead.");
        return Turn::WithoutLock;
    }
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - start);
    if (switchingOn) {
        report.Note("waited " + SecondsText(waited) +
                    " for another program to finish switching USB devices; switching them "
                    "on anyway (" +
                    lock.Description() + ").");
        return Turn::WithoutLock;
    }
    report.Failure(
        "did not switch USB devices off: another program has been switching "
        "them for " +
            SecondsText(waited),
        "gave up, to not switch them off after it has finished",
        "let that switch finish, then try again (" + lock.Description() + ")");
    return Turn::GaveUp;
}
