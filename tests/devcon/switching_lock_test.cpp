// The wait for the switching lock, on a virtual clock.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "StringOutput.h"
#include "SwitchingLock.h"

using namespace std::chrono_literals;

namespace {

// Busy for the first `busyTries` tries, then Taken (or the `then` answer).
struct ScriptedLock : SwitchingLock {
    int busyTries = 0;
    Attempt then = Attempt::Taken;
    int tries = 0;
    Attempt TryTake() override { return ++tries <= busyTries ? Attempt::Busy : then; }
    std::string WhyUnavailable() const override { return "flock /x: Input/output error"; }
};

struct VirtualClock : WaitClock {
    std::chrono::steady_clock::time_point now{};
    std::chrono::steady_clock::time_point Now() override { return now; }
    void Sleep(std::chrono::milliseconds duration) override { now += duration; }
};

TEST(SwitchingLockTest, WaitsUntilTheLockIsFreeOrTheBoundHasPassed) {
    const struct {
        int busyTries;
        SwitchingLock::Attempt then;
        bool held;
        std::chrono::milliseconds waited;
        std::string out;
    } cases[] = {
        {0, SwitchingLock::Attempt::Taken, true, 0ms, ""},
        {3, SwitchingLock::Attempt::Taken, true, 60ms, ""},
        {2999, SwitchingLock::Attempt::Taken, true, 59980ms, ""},
        {1000000, SwitchingLock::Attempt::Taken, false, 60000ms,
         "Waited 60.0 s for another copy of devcon.exe to finish switching; going ahead.\n"},
        {1, SwitchingLock::Attempt::Unavailable, false, 20ms,
         "Cannot wait for other copies of devcon.exe to finish switching (flock /x: Input/output "
         "error); going ahead.\n"},
    };
    for (const auto& c : cases) {
        ScriptedLock lock;
        lock.busyTries = c.busyTries;
        lock.then = c.then;
        VirtualClock clock;
        StringOutput out;
        StringOutput err;
        Report report(out, err);

        EXPECT_EQ(TakeTurn(lock, clock, 60s, report), c.held) << c.busyTries;
        EXPECT_EQ(clock.now.time_since_epoch(), c.waited) << c.busyTries;
        EXPECT_EQ(out.text, c.out);
        EXPECT_EQ(err.text, "");
        EXPECT_FALSE(report.Failed());
    }
}

}  // namespace
