#include "panel/Form1.h"

#include <string>

namespace {
constexpr std::int32_t kSecondsPerMinute = 60;
constexpr std::int32_t kSecondsPerHour = 60 * kSecondsPerMinute;
}  // namespace

Form1::Form1(Launcher launch)
    : Command1([this] { UsbOn(); }),
      Command2([this] { UsbOff(); }),
      Command3([this] { RestartUsb(); }),
      Check1(ControlId::Check1, changeListener_, [this] { AutoOnToggled(); }),
      Check2(ControlId::Check2, changeListener_, [this] { HourOptionToggled(); }),
      Check3(ControlId::Check3, changeListener_, [this] { MinuteOptionToggled(); }),
      VScroll1(ControlId::VScroll1, changeListener_, kSpinnerMin, kSpinnerMax, 2,
               [this] { HoursShown(); }),
      VScroll2(ControlId::VScroll2, changeListener_, kSpinnerMin, kSpinnerMax, 3,
               [this] { MinutesShown(); }),
      Text1(ControlId::Text1, changeListener_, "2"),
      Text2(ControlId::Text2, changeListener_, "3"),
      Timer1(ControlId::Timer1, changeListener_, kWatchdogIntervalMs, [this] { WatchdogTick(); }),
      Timer2(ControlId::Timer2, changeListener_, kBurstIntervalMs, [this] { BurstTick(); }),
      launch_(std::move(launch)) {}

void Form1::UsbOn() {
    for (int i = 0; i < kEnablesAtOnce; ++i) {
        launch_(DeviceVerb::Enable);
    }
    BurstCount = 0;
    Timer2.SetEnabled(true);
}

void Form1::UsbOff() {
    launch_(DeviceVerb::Disable);
    // Without this a running burst would switch USB back on within the next 4 s.
    Timer2.SetEnabled(false);
}

void Form1::RestartUsb() {
    BurstCount = 0;
    UsbOff();
    Timer2.SetEnabled(true);
}

void Form1::BurstTick() {
    launch_(DeviceVerb::Enable);
    ++BurstCount;
    if (BurstCount == kBurstTicks) {
        Timer2.SetEnabled(false);
    }
}

bool Form1::AnyOptionTicked() const {
    return Check1.Ticked() || Check2.Ticked() || Check3.Ticked();
}

// The watchdog runs exactly while some option box is ticked, so a ticked box is never left
// showing on screen with nothing behind it.
void Form1::UpdateWatchdogTimer() {
    Timer1.SetEnabled(AnyOptionTicked());
}

void Form1::AutoOnToggled() {
    UpdateWatchdogTimer();
    AutoOnCount = 0;
}

void Form1::HourOptionToggled() {
    UpdateWatchdogTimer();
    HourCount = 0;
}

void Form1::MinuteOptionToggled() {
    UpdateWatchdogTimer();
    MinuteCount = 0;
}

void Form1::HoursShown() {
    Text1.SetText(std::to_string(VScroll1.Value()));
}

void Form1::MinutesShown() {
    Text2.SetText(std::to_string(VScroll2.Value()));
}

std::int32_t Form1::HourLimit() const {
    return VScroll1.Value() * kSecondsPerHour;
}

std::int32_t Form1::MinuteLimit() const {
    return VScroll2.Value() * kSecondsPerMinute;
}

void Form1::WatchdogTick() {
    // Auto On fires only on the tick that reaches its delay, so counting further changes nothing;
    // stopping one past it keeps a watchdog that runs for decades from overflowing the counter.
    if (AutoOnCount <= kAutoOnDelayTicks) {
        ++AutoOnCount;
    }
    if (Check2.Ticked()) {
        ++HourCount;
    }
    if (Check3.Ticked()) {
        ++MinuteCount;
    }
    if (Check1.Ticked() && AutoOnCount == kAutoOnDelayTicks) {
        UsbOn();
        // Unticking runs the Auto On click, which stops Timer1 unless an hour or minute option
        // still needs it.
        Check1.SetValue(0);
    }
    // Both checks run on every tick, even the one on which Auto On stopped the timer.
    if (HourCount >= HourLimit()) {
        RestartUsb();
        HourCount = 0;
    }
    if (MinuteCount >= MinuteLimit()) {
        RestartUsb();
        MinuteCount = 0;
    }
}
