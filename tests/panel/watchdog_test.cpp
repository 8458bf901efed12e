#include "tests/panel/PanelFixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST_F(PanelTest, AutoOnSwitchesUsbOnOnTheTenthTickAndUnticksItself) {
    form.Check1.SetValue(1);
    Ticks(9);
    EXPECT_TRUE(launches.empty());

    Ticks(1);
    EXPECT_EQ(Times(DeviceVerb::Enable), std::vector<std::int64_t>(6, 10'000));
    EXPECT_TRUE(form.Timer2.Enabled());
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_EQ(form.Check1.Value(), 0);
    EXPECT_EQ(form.AutoOnCount, 0);

    Ticks(600);
    EXPECT_EQ(Enables(), 14);
    EXPECT_EQ(Disables(), 0);
}

TEST_F(PanelTest, AutoOnCountsFromItsClickEvenWhenTheCountHadPassedTen) {
    form.Check2.SetValue(1);
    Ticks(25);
    ASSERT_GT(form.AutoOnCount, Form1::kAutoOnDelayTicks);
    form.Check1.SetValue(1);
    Ticks(9);
    EXPECT_TRUE(launches.empty());
    Ticks(1);
    EXPECT_EQ(Enables(), 6);
}

TEST_F(PanelTest, AutoOnLeavesATickedMinuteWatchdogRunningOnItsPhase) {
    form.VScroll2.SetValue(1);
    form.Check3.SetValue(1);
    loop.AdvanceBy(30'300);
    form.Check1.SetValue(1);
    Ticks(10);  // the tenth tick after the click falls at 40 s, on the watchdog's own phase
    EXPECT_THAT(Times(DeviceVerb::Enable), ElementsAreArray(std::vector<std::int64_t>(6, 40'000)));
    EXPECT_EQ(form.Check1.Value(), 0);
    EXPECT_TRUE(form.Timer1.Enabled());

    Ticks(60);
    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(60'000));
}

TEST_F(PanelTest, MinuteOptionRestartsEveryMMinutesFromItsClick) {
    form.VScroll2.SetValue(1);
    loop.AdvanceBy(700);
    form.Check3.SetValue(1);
    Ticks(59);
    EXPECT_TRUE(launches.empty());
    Ticks(1);
    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(60'700));
    EXPECT_EQ(form.MinuteCount, 0);
    Ticks(60);
    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(60'700, 120'700));
}

// The hour limit is N x 3600 ticks for every N the spinner allows, including those whose limit
// does not fit in 16 bits (N >= 10).
TEST_F(PanelTest, HourOptionRestartsOnTickNTimes3600ForEveryN) {
    form.Check2.SetValue(1);
    for (int n = 1; n <= 32767; ++n) {
        form.VScroll1.SetValue(n);
        form.HourCount = n * 3600 - 2;
        const std::int64_t before = Disables();
        Ticks(1);
        ASSERT_EQ(Disables(), before) << "early restart for N = " << n;
        Ticks(1);
        ASSERT_EQ(Disables(), before + 1) << "no restart for N = " << n;
        ASSERT_EQ(form.HourCount, 0);
    }
}

TEST_F(PanelTest, MinuteOptionRestartsOnTickMTimes60ForEveryM) {
    form.Check3.SetValue(1);
    for (int m = 1; m <= 32767; ++m) {
        form.VScroll2.SetValue(m);
        form.MinuteCount = m * 60 - 2;
        const std::int64_t before = Disables();
        Ticks(1);
        ASSERT_EQ(Disables(), before) << "early restart for M = " << m;
        Ticks(1);
        ASSERT_EQ(Disables(), before + 1) << "no restart for M = " << m;
    }
}

TEST_F(PanelTest, HourScheduleRunsInRealTicks) {
    for (auto [hours, firstRestart] :
         {std::pair{2, 7'200}, std::pair{9, 32'400}, std::pair{10, 36'000}}) {
        Ticks(5);  // let the previous restart's burst end
        launches.clear();
        form.VScroll1.SetValue(hours);
        form.Check2.SetValue(1);
        const std::int64_t clickedMs = loop.NowMs();
        Ticks(firstRestart - 1);
        EXPECT_TRUE(launches.empty()) << "N = " << hours;
        Ticks(1);
        EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(clickedMs + firstRestart * 1000LL))
            << "N = " << hours;
        form.Check2.SetValue(0);
    }
}

TEST_F(PanelTest, ShorterIntervalTakesEffectOnTheNextTick) {
    form.Check2.SetValue(1);
    Ticks(5000);
    form.VScroll1.SetValue(1);
    EXPECT_TRUE(launches.empty());
    Ticks(1);
    EXPECT_EQ(Disables(), 1);
    EXPECT_EQ(form.HourCount, 0);
}

TEST_F(PanelTest, BothLimitsOnOneTickRestartTwice) {
    form.VScroll1.SetValue(1);
    form.VScroll2.SetValue(60);
    form.Check2.SetValue(1);
    form.Check3.SetValue(1);
    Ticks(3600);
    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(3'600'000, 3'600'000));
    Ticks(10);
    EXPECT_THAT(Times(DeviceVerb::Enable), ElementsAreArray(Every(500, 8, 3'600'500)));
}

TEST_F(PanelTest, ThirtyDaysOfMinuteAndHourRestarts) {
    form.VScroll1.SetValue(1);
    form.VScroll2.SetValue(1);
    form.Check3.SetValue(1);
    form.Check2.SetValue(1);

    constexpr std::int64_t kSeconds = 30LL * 24 * 3600;
    std::int64_t worstHour = 0;
    std::int64_t worstMinute = 0;
    for (std::int64_t s = 0; s < kSeconds; s += 60) {
        Ticks(60);
        worstHour = std::max<std::int64_t>(worstHour, form.HourCount);
        worstMinute = std::max<std::int64_t>(worstMinute, form.MinuteCount);
    }
    Ticks(5);  // let the last burst finish

    const std::int64_t minuteRestarts = kSeconds / 60;
    const std::int64_t hourRestarts = kSeconds / 3600;
    EXPECT_EQ(Disables(), minuteRestarts + hourRestarts);
    // An hourly restart falls on a minute restart's tick and shares its burst.
    EXPECT_EQ(Enables(), 8 * minuteRestarts);
    EXPECT_LT(worstHour, 3600);
    EXPECT_LT(worstMinute, 60);
    EXPECT_TRUE(form.Timer1.Enabled());
}
