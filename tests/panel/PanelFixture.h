#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "panel/Form1.h"
#include "tests/support/VirtualLoop.h"

struct Launch {
    std::int64_t atMs;
    DeviceVerb verb;
    bool operator==(const Launch&) const = default;
};

inline void PrintTo(const Launch& launch, std::ostream* os) {
    *os << (launch.verb == DeviceVerb::Enable ? "enable@" : "disable@") << launch.atMs;
}

// A Form1 whose launches are recorded with their virtual time, driven by a VirtualLoop.
class PanelTest : public ::testing::Test {
  protected:
    std::vector<Launch> launches;
    std::vector<ControlId> changes;
    Form1 form{[this](DeviceVerb verb) { launches.push_back({loop.NowMs(), verb}); }};
    VirtualLoop loop{form, [this](ControlId id) { changes.push_back(id); }};

    std::int64_t Count(DeviceVerb verb) const {
        return std::count_if(launches.begin(), launches.end(),
                             [verb](const Launch& l) { return l.verb == verb; });
    }
    std::int64_t Enables() const { return Count(DeviceVerb::Enable); }
    std::int64_t Disables() const { return Count(DeviceVerb::Disable); }

    // Virtual times of the launches of `verb`.
    std::vector<std::int64_t> Times(DeviceVerb verb) const {
        std::vector<std::int64_t> times;
        for (const Launch& l : launches) {
            if (l.verb == verb) {
                times.push_back(l.atMs);
            }
        }
        return times;
    }

    // `count` times, `step` apart, the first at `first`.
    static std::vector<std::int64_t> Every(std::int64_t step, int count, std::int64_t first) {
        std::vector<std::int64_t> times;
        for (int i = 0; i < count; ++i) {
            times.push_back(first + i * step);
        }
        return times;
    }

    void Ticks(std::int64_t seconds) { loop.AdvanceBy(seconds * 1000); }
};
