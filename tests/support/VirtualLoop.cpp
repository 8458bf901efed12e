#include "tests/support/VirtualLoop.h"

#include <algorithm>

VirtualLoop::VirtualLoop(Form1& form, ChangeListener forward)
    : slots_{Slot{&form.Timer1}, Slot{&form.Timer2}}, forward_(std::move(forward)) {
    form.SetChangeListener([this](ControlId id) { OnChange(id); });
}

void VirtualLoop::OnChange(ControlId id) {
    for (Slot& slot : slots_) {
        if (slot.timer->Id() == id) {
            slot.waiting = false;
            slot.nextDueMs = nowMs_ + slot.timer->IntervalMs();
        }
    }
    if (forward_) {
        forward_(id);
    }
}

void VirtualLoop::Spend(std::int64_t ms) {
    nowMs_ += ms;
    for (Slot& slot : slots_) {
        if (slot.timer->Enabled() && slot.nextDueMs <= nowMs_) {
            slot.waiting = true;
            const std::int64_t interval = slot.timer->IntervalMs();
            slot.nextDueMs += interval * ((nowMs_ - slot.nextDueMs) / interval + 1);
        }
    }
}

// A waiting tick goes first; otherwise the enabled timer due soonest (Timer1 on a tie).
VirtualLoop::Slot* VirtualLoop::NextDue() {
    Slot* next = nullptr;
    for (Slot& slot : slots_) {
        if (!slot.timer->Enabled()) {
            continue;
        }
        if (slot.waiting) {
            return &slot;
        }
        if (next == nullptr || slot.nextDueMs < next->nextDueMs) {
            next = &slot;
        }
    }
    return next;
}

void VirtualLoop::After(std::int64_t ms, std::function<void()> event) {
    events_.emplace(nowMs_ + ms, std::move(event));
}

void VirtualLoop::AdvanceBy(std::int64_t ms) {
    const std::int64_t endMs = nowMs_ + ms;
    while (nowMs_ <= endMs) {
        Slot* slot = NextDue();
        if (!events_.empty() && events_.begin()->first <= endMs &&
            (slot == nullptr || (!slot->waiting && events_.begin()->first <= slot->nextDueMs))) {
            const auto next = events_.begin();
            nowMs_ = std::max(nowMs_, next->first);
            const std::function<void()> event = std::move(next->second);
            events_.erase(next);
            event();
            continue;
        }
        if (slot == nullptr) {
            break;
        }
        if (slot->waiting) {
            slot->waiting = false;
        } else if (slot->nextDueMs <= endMs) {
            nowMs_ = slot->nextDueMs;
            slot->nextDueMs += slot->timer->IntervalMs();
        } else {
            break;
        }
        slot->timer->Tick();
    }
    nowMs_ = std::max(nowMs_, endMs);
}
