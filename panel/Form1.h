#pragma once

#include <cstdint>
#include <functional>

#include "launcher/DeviceVerb.h"
#include "panel/Controls.h"

// The one window's state and behaviour, free of any toolkit: its controls, four tick counters,
// two timers and the ten event procedures. A front end binds real widgets to it; tests drive it
// headless.
class Form1 {
  public:
    using Launcher = std::function<void(DeviceVerb)>;

    static constexpr int kWatchdogIntervalMs = 1000;
    static constexpr int kBurstIntervalMs = 500;
    static constexpr int kEnablesAtOnce = 6;
    static constexpr int kBurstTicks = 8;
    static constexpr int kAutoOnDelayTicks = 10;
    static constexpr int kSpinnerMin = 1;
    static constexpr int kSpinnerMax = 32767;

    // Every launch of the device-console tool goes through `launch` (RunDevcon in the program).
    explicit Form1(Launcher launch);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Called after every change that any code makes to a check box, scroll bar, text or timer.
    void SetChangeListener(ChangeListener listener) { changeListener_ = std::move(listener); }

    // Switching commands.
    void UsbOn();
    void UsbOff();
    void RestartUsb();
    void BurstTick();

    // Option boxes and spinners.
    void AutoOnToggled();
    void HourOptionToggled();
    void MinuteOptionToggled();
    void HoursShown();
    void MinutesShown();

    // Scheduler.
    void WatchdogTick();

    // Whether a switch-on is owed, which the program must still run if it ends now: while a burst
    // runs (so from a Restart's disable until its enables) and while Auto On is ticked.
    bool EnableOwed() const { return Timer2.Enabled() || Check1.Ticked(); }

    // Hour and minute limits in ticks, in 32 bits: the largest, 32767 hours, is 117,961,200.
    std::int32_t HourLimit() const;
    std::int32_t MinuteLimit() const;

    Button Command1;
    Button Command2;
    Button Command3;
    CheckBox Check1;
    CheckBox Check2;
    CheckBox Check3;
    ScrollBar VScroll1;
    ScrollBar VScroll2;
    TextBox Text1;
    TextBox Text2;
    Timer Timer1;
    Timer Timer2;

    std::int32_t AutoOnCount = 0;
    std::int32_t HourCount = 0;
    std::int32_t MinuteCount = 0;
    std::int32_t BurstCount = 0;

  private:
    bool AnyOptionTicked() const;
    void UpdateWatchdogTimer();

    // The controls hold a reference to the listener, so it lives as long as they do.
    ChangeListener changeListener_;
    Launcher launch_;
};
