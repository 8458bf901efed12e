// The wait for the switching lock, on a virtual clock.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "devcon/SwitchingLock.h"
#include "tests/devcon/StringOutput.h"

using namespace std::chrono_literals;

namespace {

// Busy for the first `busyTries` tries, then Taken (or the `then` answer).
struct ScriptedLock : SwitchingLock {
    int busyTries = 0;
    Attempt then = Attempt::Taken;
    int tries = 0;
    Attempt TryTake() override { return ++tries <= busyTries ? Attempt::Busy : then; }
    std::string WhyUnavailable() const override { return "flock /x: Input/output error"; }
    std::string Description() const override { return "the lock is /x"; }
};

struct VirtualClock : WaitClock {
    std::chrono::steady_clock::time_point now{};
    std::chrono::steady_clock::time_point Now() override { return now; }
    void Sleep(std::chrono::milliseconds duration) override { now += duration; }
};

// An enable waits up to its bound and then goes ahead; a disable waits up to its shorter bound and
// then gives up. Both say so on standard error, and only the disable fails.
TEST(SwitchingLockTest, AnEnableGoesAheadPastItsBoundAndADisableGivesUp) {
    constexpr int kForever = 1000000;
    const struct {
        bool on;
        int busyTries;
        SwitchingLock::Attempt then;
        bool switches;
        std::chrono::milliseconds waited;
        std::string err;
    } cases[] = {
        {true, 0, SwitchingLock::Attempt::Taken, true, 0ms, ""},
        {false, 3, SwitchingLock::Attempt::Taken, true, 60ms, ""},
        {true, 249, SwitchingLock::Attempt::Taken, true, 4980ms, ""},
        {false, 99, SwitchingLock::Attempt::Taken, true, 1980ms, ""},
        {true, kForever, SwitchingLock::Attempt::Taken, true, 5000ms,
         "devcon.exe: waited 5.0 s for another program to finish switching USB devices; "
         "switching them on anyway (the lock is /x).\n"},
        {false, kForever, SwitchingLock::Attempt::Taken, false, 2000ms,
         "devcon.exe: did not switch USB devices off: another program has been switching them "
         "for 2.0 s: gave up, to not switch them off after it has finished\n"
         "devcon.exe: to fix: let that switch finish, then try again (the lock is /x).\n"},
        {false, 1, SwitchingLock::Attempt::Unavailable, true, 20ms,
         "devcon.exe: cannot wait for other copies of devcon.exe to finish switching (flock /x: "
         "Input/output error); going ahead.\n"},
    };
    for (const auto& c : cases) {
        ScriptedLock lock;
        lock.busyTries = c.busyTries;
        lock.then = c.then;
        VirtualClock clock;
        StringOutput out;
        StringOutput err;
        Report report(out, err);

        EXPECT_EQ(TakeTurn(lock, clock, c.on, c.on ? kEnableLockWait : kDisableLockWait, report) !=
                      Turn::GaveUp,
                  c.switches)
            << c.on << " " << c.busyTries;
        report.Fixes();
        EXPECT_EQ(clock.now.time_since_epoch(), c.waited) << c.on << " " << c.busyTries;
        EXPECT_EQ(err.text, c.err);
        EXPECT_EQ(out.text, "");
        EXPECT_EQ(report.Failed(), !c.switches);
    }
}

TEST(SwitchingLockTest, TheTestHookCanOnlyShortenTheWait) {
    for (const auto& [asked, bound] :
         {std::pair{"", 2000ms}, std::pair{"200", 200ms}, std::pair{"9000", 2000ms},
          std::pair{"-1", 2000ms}, std::pair{"1s", 2000ms}}) {
        setenv("VANTREL_DEVCON_LOCK_WAIT_MS", asked, 1);
        EXPECT_EQ(LockWaitBound(kDisableLockWait), bound) << asked;
    }
    unsetenv("VANTREL_DEVCON_LOCK_WAIT_MS");
}

}  // namespace
