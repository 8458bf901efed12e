#include "SwitchingLock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <thread>
#endif

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::chrono::milliseconds kMaxWait{60000};
constexpr std::chrono::milliseconds kRetryEvery{20};

// "60.0 s"
std::string Seconds(std::chrono::milliseconds duration) {
    const long long tenths = (duration.count() + 50) / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

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

std::chrono::milliseconds LockWaitBound() {
    const char* asked = std::getenv("VANTREL_DEVCON_LOCK_WAIT_MS");
    if (asked == nullptr || *asked == '\0') {
        return kMaxWait;
    }
    char* end = nullptr;
    const long long milliseconds = std::strtoll(asked, &end, 10);
    if (*end != '\0' || milliseconds < 0 || milliseconds > kMaxWait.count()) {
        return kMaxWait;
    }
    return std::chrono::milliseconds(milliseconds);
}

bool TakeTurn(SwitchingLock& lock, WaitClock& clock, std::chrono::milliseconds bound,
              Report& report) {
    const auto start = clock.Now();
    while (true) {
        const SwitchingLock::Attempt attempt = lock.TryTake();
        if (attempt == SwitchingLock::Attempt::Taken) {
            return true;
        }
        if (attempt == SwitchingLock::Attempt::Unavailable) {
            report.Line("Cannot wait for other copies of devcon.exe to finish switching (" +
                        lock.WhyUnavailable() + "); going ahead.");
            return false;
        }
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - start);
        if (waited >= bound) {
            report.Line("Waited " + Seconds(waited) +
                        " for another copy of devcon.exe to finish switching; going ahead.");
            return false;
        }
        clock.Sleep(std::min(kRetryEvery, bound - waited));
    }
}
