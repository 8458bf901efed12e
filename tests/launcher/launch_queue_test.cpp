#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "launcher/LaunchQueue.h"
#include "panel/Form1.h"
#include "tests/support/VirtualLoop.h"

namespace {

constexpr std::int64_t kNever = -1;

// How long each run takes: the first, then every other one.
struct Lengths {
    std::int64_t first;
    std::int64_t rest;
};

struct Step {
    std::int64_t atMs;
    std::function<void(Form1&, LaunchQueue&)> act;
};

void Restart(Form1& form, LaunchQueue&) {
    form.RestartUsb();
}
void On(Form1& form, LaunchQueue&) {
    form.UsbOn();
}
void Off(Form1& form, LaunchQueue&) {
    form.UsbOff();
}
void TwoRestarts(Form1& form, LaunchQueue&) {
    form.RestartUsb();
    form.RestartUsb();
}
void Close(Form1& form, LaunchQueue& queue) {
    queue.Finish(form.EnableOwed());
}
void TwoHundredOns(Form1& form, LaunchQueue&) {
    for (int i = 0; i < 200; ++i) {
        form.UsbOn();
    }
}

struct Case {
    const char* name;
    std::vector<Step> steps;
    Lengths lengths;
    // Each start as "E@ms" or "D@ms"; "!E@ms" where a run is named as still going.
    std::string starts;
    DeviceVerb lastStarted;
};

// Form1 launches into the queue; the runs are stand-ins on the virtual clock.
struct Rig {
    std::vector<std::string> log;
    std::uint64_t wakeGeneration = 0;
    int started = 0;
    Lengths lengths;
    VirtualLoop* loop = nullptr;
    LaunchQueue queue{{
        .start =
            [this](DeviceVerb verb, LaunchQueue::RunId run) {
                log.push_back(std::string(verb == DeviceVerb::Enable ? "E@" : "D@") +
                              std::to_string(loop->NowMs()));
                const std::int64_t length = started++ == 0 ? lengths.first : lengths.rest;
                if (length != kNever) {
                    loop->After(length, [this, run] { queue.Ended(run); });
                }
                return true;
            },
        .wakeAfter =
            [this](std::int64_t ms) {
                const std::uint64_t generation = ++wakeGeneration;
                if (ms >= 0) {
                    loop->After(ms, [this, generation] {
                        if (generation == wakeGeneration) {
                            queue.Wake();
                        }
                    });
                }
            },
        .nowMs = [this] { return loop->NowMs(); },
        .stillGoing =
            [this](DeviceVerb verb) {
                log.push_back(std::string(verb == DeviceVerb::Enable ? "!E@" : "!D@") +
                              std::to_string(loop->NowMs()));
            },
    }};
    Form1 form{[this](DeviceVerb verb) { queue.Launch(verb); }};
    VirtualLoop clock{form};

    explicit Rig(Lengths l) : lengths(l) { loop = &clock; }
};

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : " ") + word;
    }
    return text;
}

const std::vector<Case> kCases = {
    {"Restart",
     {{0, Restart}},
     {100, 100},
     "D@0 E@500 E@1000 E@1500 E@2000 E@2500 E@3000 E@3500 E@4000",
     DeviceVerb::Enable},
    {"Restart whose disable takes 5 s",
     {{0, Restart}},
     {5000, 100},
     "D@0 E@3000 E@3100 E@3200 E@3300 E@3400 E@3500 E@3600 E@4000 E@5000",
     DeviceVerb::Enable},
    {"USB On",
     {{0, On}},
     {100, 100},
     "E@0 E@100 E@200 E@300 E@400 E@500 E@600 E@1000 E@1500 E@2000 E@2500 E@3000 E@3500 E@4000",
     DeviceVerb::Enable},
    {"USB On, each run 2 s",
     {{0, On}},
     {2000, 2000},
     "E@0 E@2000 E@4000 E@6000 E@8000 E@10000 E@12000 E@14000 E@16000 E@18000 E@20000 E@22000 "
     "E@24000 E@26000",
     DeviceVerb::Enable},
    {"two Restarts in one tick",
     {{0, TwoRestarts}},
     {100, 100},
     "D@0 D@100 E@500 E@1000 E@1500 E@2000 E@2500 E@3000 E@3500 E@4000",
     DeviceVerb::Enable},
    {"Off during a burst",
     {{0, On}, {1200, Off}},
     {100, 100},
     "E@0 E@100 E@200 E@300 E@400 E@500 E@600 E@1000 D@1200",
     DeviceVerb::Disable},
    {"Off during a burst of runs that never end",
     {{0, On}, {1200, Off}},
     {kNever, kNever},
     "E@0 E@3000 E@6000 !E@10000 !E@13000 !E@16000",
     DeviceVerb::Enable},
    {"200 USB On, every run stuck",
     {{0, TwoHundredOns}},
     {kNever, kNever},
     "E@0 E@3000 E@6000 !E@10000 !E@13000 !E@16000",
     DeviceVerb::Enable},
    {"Restart, closed at once",
     {{0, Restart}, {10, Close}},
     {300, 100},
     "D@0 E@300",
     DeviceVerb::Enable},
    {"Off, closed at once", {{0, Off}, {10, Close}}, {300, 100}, "D@0", DeviceVerb::Disable},
};

TEST(LaunchQueueTest, StartsRunsOneAtATimeInLaunchOrderAndEndsOnTheLastVerb) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.lengths);
        for (const Step& step : c.steps) {
            rig.clock.AdvanceBy(step.atMs - rig.clock.NowMs());
            step.act(rig.form, rig.queue);
            EXPECT_LE(rig.queue.Waiting(), LaunchQueue::kLong);
        }
        rig.clock.AdvanceBy(60'000);
        EXPECT_EQ(Joined(rig.log), c.starts);
        EXPECT_LE(rig.queue.Going(), LaunchQueue::kMaxGoing);
        std::string last;
        for (const std::string& entry : rig.log) {
            last = entry[0] == '!' ? last : entry;
        }
        EXPECT_EQ(last[0], c.lastStarted == DeviceVerb::Enable ? 'E' : 'D');
        EXPECT_TRUE(c.lengths.rest == kNever || rig.queue.Finished());
    }
}

}  // namespace
