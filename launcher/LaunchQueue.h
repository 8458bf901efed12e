#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "launcher/DeviceVerb.h"

// Runs devcon.exe one at a time, in the order the launches were asked for: the next run starts
// when the one before it has ended, so that the machine ends in the state of the last verb and a
// Restart's disable always comes before its enables. A run that does not end cannot keep USB off:
// once the youngest run going is kStuckMs old, the first enable waiting starts anyway and the
// disables waiting before it are dropped, as it would undo them; a disable never starts while
// another run is going, and one that an enable overtook is followed by one more enable when it
// ends, unless a disable was launched since. Nothing piles up: at most kMaxGoing runs go at once,
// and once more than kLong wait, identical neighbours merge. Toolkit-free: the front end's event
// loop is the host.
class LaunchQueue {
  public:
    using RunId = std::uint64_t;
    struct Host {
        // Starts one run of `verb`; false when it could not be started (the host says why).
        std::function<bool(DeviceVerb verb, RunId run)> start;
        // Calls Wake() once, `ms` from now, in place of any earlier call; a negative `ms` cancels.
        std::function<void(std::int64_t ms)> wakeAfter;
        // Milliseconds on a clock that only goes forward.
        std::function<std::int64_t()> nowMs;
        // A run has been going kStillGoingMs without ending.
        std::function<void(DeviceVerb verb)> stillGoing;
    };

    static constexpr std::int64_t kStuckMs = 3000;
    static constexpr std::int64_t kStillGoingMs = 10000;
    // How long the program waits, at its end, for what Finish launched.
    static constexpr std::int64_t kFinishWaitMs = 10000;
    static constexpr std::size_t kMaxGoing = 3;
    static constexpr std::size_t kLong = 32;

    explicit LaunchQueue(Host host) : host_(std::move(host)) {}

    void Launch(DeviceVerb verb);
    // The run has ended (or its end can no longer be seen).
    void Ended(RunId run);
    void Wake();

    // For the program's end: drops every waiting run and, if `switchOn`, launches one enable;
    // later launches are dropped. Finished() tells when what was launched here has ended.
    void Finish(bool switchOn);
    bool Finished() const;

    std::optional<DeviceVerb> LastLaunched() const { return lastLaunched_; }
    std::size_t Waiting() const { return waiting_.size(); }
    std::size_t Going() const { return going_.size(); }

  private:
    struct Run {
        RunId id;
        DeviceVerb verb;
        std::int64_t startedMs;
        bool named;      // reported as still going
        bool overtaken;  // a run started while this one was going
    };

    void StartWhatMay();
    void Start(DeviceVerb verb);
    void ScheduleWake();

    Host host_;
    std::deque<DeviceVerb> waiting_;
    std::vector<Run> going_;
    RunId nextId_ = 1;
    RunId finishFrom_ = 0;  // runs from this one on were launched by Finish
    bool finishing_ = false;
    std::optional<DeviceVerb> lastLaunched_;
};
