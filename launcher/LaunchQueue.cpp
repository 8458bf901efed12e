#include "launcher/LaunchQueue.h"

#include <algorithm>
#include <limits>

void LaunchQueue::Launch(DeviceVerb verb) {
    if (finishing_) {
        return;
    }
    lastLaunched_ = verb;
    if (waiting_.size() >= kLong) {
        // Long: the queue is kept alternating, so a launch like the newest waiting one merges
        // into it, and one unlike it makes the newest a passing state, which is dropped.
        waiting_.erase(std::unique(waiting_.begin(), waiting_.end()), waiting_.end());
        if (waiting_.back() != verb) {
            waiting_.pop_back();
        }
        if (waiting_.empty() || waiting_.back() != verb) {
            waiting_.push_back(verb);
        }
    } else {
        waiting_.push_back(verb);
    }
    StartWhatMay();
    ScheduleWake();
}

void LaunchQueue::Ended(RunId run) {
    const auto ended =
        std::find_if(going_.begin(), going_.end(), [run](const Run& r) { return r.id == run; });
    if (ended == going_.end()) {
        return;
    }
    // The enables that overtook it may have run before it switched off: the last verb decides.
    if (ended->overtaken && ended->verb == DeviceVerb::Disable &&
        lastLaunched_ == DeviceVerb::Enable &&
        std::find(waiting_.begin(), waiting_.end(), DeviceVerb::Enable) == waiting_.end()) {
        waiting_.push_back(DeviceVerb::Enable);
    }
    going_.erase(ended);
    StartWhatMay();
    ScheduleWake();
}

void LaunchQueue::Wake() {
    const std::int64_t now = host_.nowMs();
    for (Run& run : going_) {
        if (!run.named && now - run.startedMs >= kStillGoingMs) {
            run.named = true;
            if (host_.stillGoing) {
                host_.stillGoing(run.verb);
            }
        }
    }
    StartWhatMay();
    ScheduleWake();
}

void LaunchQueue::Finish(bool switchOn) {
    waiting_.clear();
    finishFrom_ = nextId_;
    if (switchOn) {
        Launch(DeviceVerb::Enable);
    }
    finishing_ = true;
}

bool LaunchQueue::Finished() const {
    return waiting_.empty() && std::none_of(going_.begin(), going_.end(), [this](const Run& r) {
               return finishFrom_ != 0 && r.id >= finishFrom_;
           });
}

void LaunchQueue::StartWhatMay() {
    while (!waiting_.empty()) {
        if (going_.empty()) {
            const DeviceVerb next = waiting_.front();
            waiting_.pop_front();
            Start(next);
            continue;
        }
        if (going_.size() >= kMaxGoing || host_.nowMs() - going_.back().startedMs < kStuckMs) {
            return;
        }
        const auto enable = std::find(waiting_.begin(), waiting_.end(), DeviceVerb::Enable);
        if (enable == waiting_.end()) {
            return;
        }
        waiting_.erase(waiting_.begin(), enable + 1);
        for (Run& run : going_) {
            run.overtaken = true;
        }
        Start(DeviceVerb::Enable);
    }
}

void LaunchQueue::Start(DeviceVerb verb) {
    const RunId id = nextId_++;
    going_.push_back({id, verb, host_.nowMs(), false, false});
    if (!host_.start(verb, id)) {
        std::erase_if(going_, [id](const Run& r) { return r.id == id; });
    }
}

// The next moment something may change without a run ending: a waiting enable's stuck-run
// point, or a run's still-going point.
void LaunchQueue::ScheduleWake() {
    std::int64_t next = std::numeric_limits<std::int64_t>::max();
    const bool enableWaits =
        std::find(waiting_.begin(), waiting_.end(), DeviceVerb::Enable) != waiting_.end();
    if (enableWaits && !going_.empty() && going_.size() < kMaxGoing) {
        next = going_.back().startedMs + kStuckMs;
    }
    for (const Run& run : going_) {
        if (!run.named) {
            next = std::min(next, run.startedMs + kStillGoingMs);
        }
    }
    if (next == std::numeric_limits<std::int64_t>::max()) {
        host_.wakeAfter(-1);
    } else {
        host_.wakeAfter(std::max<std::int64_t>(0, next - host_.nowMs()));
    }
}
