#include "tests/panel/PanelFixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST_F(PanelTest, StartsWithDesignValuesAndDoesNothing) {
    EXPECT_EQ(form.Check1.Value(), 0);
    EXPECT_EQ(form.Check2.Value(), 0);
    EXPECT_EQ(form.Check3.Value(), 0);
    EXPECT_FALSE(form.Timer1.Enabled());
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_EQ(form.Timer1.IntervalMs(), 1000);
    EXPECT_EQ(form.Timer2.IntervalMs(), 500);
    EXPECT_EQ(form.VScroll1.Value(), 2);
    EXPECT_EQ(form.VScroll2.Value(), 3);
    for (const ScrollBar* spinner : {&form.VScroll1, &form.VScroll2}) {
        EXPECT_EQ(spinner->Min(), 1);
        EXPECT_EQ(spinner->Max(), 32767);
    }
    EXPECT_EQ(form.Text1.Text(), "2");
    EXPECT_EQ(form.Text2.Text(), "3");
    EXPECT_EQ(form.AutoOnCount, 0);
    EXPECT_EQ(form.HourCount, 0);
    EXPECT_EQ(form.MinuteCount, 0);
    EXPECT_EQ(form.BurstCount, 0);

    Ticks(3600);
    EXPECT_TRUE(launches.empty());
    EXPECT_TRUE(changes.empty());
}

TEST_F(PanelTest, UsbOnLaunchesSixEnablesThenABurstOfEight) {
    form.Command1.Click();
    EXPECT_EQ(Times(DeviceVerb::Enable), std::vector<std::int64_t>(6, 0));
    EXPECT_TRUE(form.Timer2.Enabled());

    Ticks(60);
    std::vector<std::int64_t> expected(6, 0);
    for (std::int64_t t : Every(500, 8, 500)) {
        expected.push_back(t);
    }
    EXPECT_EQ(Times(DeviceVerb::Enable), expected);
    EXPECT_EQ(Disables(), 0);
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_EQ(form.BurstCount, 8);
}

TEST_F(PanelTest, UsbOffLaunchesOneDisableAndNothingElse) {
    form.Command2.Click();
    Ticks(60);
    EXPECT_THAT(launches, ElementsAre(Launch{0, DeviceVerb::Disable}));
    EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(PanelTest, RestartUsbLaunchesOneDisableThenABurstOfEight) {
    form.Command3.Click();
    Ticks(60);
    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(0));
    EXPECT_THAT(Times(DeviceVerb::Enable), ElementsAreArray(Every(500, 8, 500)));
    EXPECT_EQ(form.BurstCount, 8);
    EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(PanelTest, UsbOnDuringABurstRestartsTheCountOnTheSamePhase) {
    form.Command1.Click();
    loop.AdvanceBy(1200);  // burst ticks at 500 and 1000
    form.Command1.Click();
    EXPECT_EQ(form.BurstCount, 0);
    Ticks(60);

    std::vector<std::int64_t> expected(6, 0);
    expected.insert(expected.end(), {500, 1000});
    expected.insert(expected.end(), 6, 1200);
    for (std::int64_t t : Every(500, 8, 1500)) {
        expected.push_back(t);
    }
    EXPECT_EQ(Times(DeviceVerb::Enable), expected);
    EXPECT_FALSE(form.Timer2.Enabled());
}

TEST_F(PanelTest, RestartUsbDuringABurstGivesEightEnablesFromTheRestart) {
    form.Command1.Click();
    loop.AdvanceBy(1200);
    form.Command3.Click();
    Ticks(60);

    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(1200));
    std::vector<std::int64_t> expected(6, 0);
    expected.insert(expected.end(), {500, 1000});
    for (std::int64_t t : Every(500, 8, 1700)) {
        expected.push_back(t);
    }
    EXPECT_EQ(Times(DeviceVerb::Enable), expected);
}

TEST_F(PanelTest, UsbOffStopsARunningBurstSoUsbStaysOff) {
    form.Command1.Click();
    loop.AdvanceBy(1200);
    form.Command2.Click();
    EXPECT_FALSE(form.Timer2.Enabled());
    Ticks(60);

    EXPECT_EQ(Enables(), 6 + 2);
    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(1200));
    EXPECT_EQ(launches.back(), (Launch{1200, DeviceVerb::Disable}));
}

TEST_F(PanelTest, UsbOffAfterABurstChangesNeitherTimerNorCount) {
    form.Command3.Click();
    Ticks(10);
    form.Command2.Click();
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_EQ(form.BurstCount, 8);
    EXPECT_EQ(Disables(), 2);
}

TEST_F(PanelTest, TwoRestartsInOneEventLeaveASingleBurst) {
    form.RestartUsb();
    form.RestartUsb();
    Ticks(60);
    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(0, 0));
    EXPECT_THAT(Times(DeviceVerb::Enable), ElementsAreArray(Every(500, 8, 500)));
}

TEST_F(PanelTest, ReportsEveryChangeAProcedureMakes) {
    form.Command1.Click();
    EXPECT_THAT(changes, ElementsAre(ControlId::Timer2));
    changes.clear();
    Ticks(5);
    EXPECT_THAT(changes, ElementsAre(ControlId::Timer2));  // the burst stopping itself
    changes.clear();

    form.Check2.SetValue(1);
    EXPECT_THAT(changes, ElementsAre(ControlId::Check2, ControlId::Timer1));
    changes.clear();

    form.VScroll2.SetValue(7);
    EXPECT_THAT(changes, ElementsAre(ControlId::VScroll2, ControlId::Text2));
}
