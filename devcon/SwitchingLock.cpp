#include "SwitchingLock.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kMaxWait{60000};
constexpr std::chrono::milliseconds kRetryEvery{20};

std::string Seconds(std::chrono::milliseconds duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(duration.count()) / 1000);
    return text;
}

}  // namespace

std::chrono::steady_clock::time_point SteadyWaitClock::Now() {
    return std::chrono::steady_clock::now();
}

void SteadyWaitClock::Sleep(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
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
