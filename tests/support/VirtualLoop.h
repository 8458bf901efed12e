#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>

#include "panel/Form1.h"

// A single-threaded event loop on a virtual clock, for driving Form1 without a window or real
// time. It keeps the rules of the real loop: one event at a time; a timer's first tick comes one
// interval after it is enabled; a timer has at most one tick waiting (ticks that fall due while
// one waits are dropped); disabling a timer drops its waiting tick.
class VirtualLoop {
  public:
    // Becomes `form`'s change listener; `forward`, if given, hears every change too.
    explicit VirtualLoop(Form1& form, ChangeListener forward = {});

    std::int64_t NowMs() const { return nowMs_; }

    // Runs the events that fall due within the next `ms`, in time order. A procedure that spends
    // past that point ends the run; what waits then runs on the next call.
    void AdvanceBy(std::int64_t ms);

    // Time spent inside the running procedure: ticks that fall due meanwhile wait (one each).
    void Spend(std::int64_t ms);

    // Runs `event` once, `ms` from now (before a timer that falls due at the same time).
    void After(std::int64_t ms, std::function<void()> event);

  private:
    struct Slot {
        Timer* timer;
        std::int64_t nextDueMs = 0;
        bool waiting = false;
    };

    void OnChange(ControlId id);
    Slot* NextDue();

    std::int64_t nowMs_ = 0;
    std::array<Slot, 2> slots_;
    std::multimap<std::int64_t, std::function<void()>> events_;
    ChangeListener forward_;
};
