#include "tests/panel/PanelFixture.h"

using ::testing::ElementsAre;

TEST_F(PanelTest, SettingACheckBoxInCodeRunsItsClickBeforeReturning) {
    form.Check1.SetValue(1);
    Ticks(4);
    ASSERT_EQ(form.AutoOnCount, 4);

    bool timerRunningWhenSetterReturned = true;
    form.Check1.SetValue(0);
    timerRunningWhenSetterReturned = form.Timer1.Enabled();
    EXPECT_FALSE(timerRunningWhenSetterReturned);
    EXPECT_EQ(form.AutoOnCount, 0);
}

TEST_F(PanelTest, SettingACheckBoxToItsOwnValueRunsNoClick) {
    form.Check3.SetValue(1);
    Ticks(5);
    form.Check3.SetValue(1);
    EXPECT_EQ(form.MinuteCount, 5);
    EXPECT_THAT(changes, ElementsAre(ControlId::Check3, ControlId::Timer1));
}

TEST_F(PanelTest, EachOptionBoxStartsTheWatchdogAndZeroesItsCounter) {
    struct Option {
        CheckBox& box;
        std::int32_t& counter;
    };
    for (Option option :
         {Option{form.Check1, form.AutoOnCount}, Option{form.Check2, form.HourCount},
          Option{form.Check3, form.MinuteCount}}) {
        option.box.SetValue(1);
        EXPECT_TRUE(form.Timer1.Enabled());
        Ticks(3);
        EXPECT_EQ(option.counter, 3);
        option.box.SetValue(0);
        EXPECT_FALSE(form.Timer1.Enabled());
        EXPECT_EQ(option.counter, 0);
        option.box.SetValue(1);
        EXPECT_EQ(option.counter, 0);
        option.box.SetValue(0);
    }
}

TEST_F(PanelTest, UntickingOneOptionKeepsTheWatchdogForAnotherTickedOne) {
    form.Check3.SetValue(1);  // M = 3: restarts every 180 ticks
    loop.AdvanceBy(20'500);
    form.Check2.SetValue(1);
    form.Check2.SetValue(0);
    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_EQ(form.HourCount, 0);

    Ticks(400);
    EXPECT_THAT(Times(DeviceVerb::Disable), ElementsAre(180'000, 360'000));
}

TEST_F(PanelTest, TickingAutoOnWhileTheWatchdogRunsKeepsItsPhase) {
    form.Check3.SetValue(1);
    loop.AdvanceBy(5'500);
    form.Check1.SetValue(1);
    EXPECT_EQ(form.AutoOnCount, 0);
    EXPECT_EQ(form.MinuteCount, 5);
    loop.AdvanceBy(500);  // the next tick is still due at 6 s
    EXPECT_EQ(form.MinuteCount, 6);
    EXPECT_EQ(form.AutoOnCount, 1);
}

TEST_F(PanelTest, SpinnersOnlyShowTheirValue) {
    form.Check2.SetValue(1);
    form.Check3.SetValue(1);
    Ticks(7);
    changes.clear();

    form.VScroll1.SetValue(3);
    form.VScroll2.SetValue(546);
    EXPECT_EQ(form.Text1.Text(), "3");
    EXPECT_EQ(form.Text2.Text(), "546");
    EXPECT_EQ(form.HourCount, 7);
    EXPECT_EQ(form.MinuteCount, 7);
    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_THAT(changes, ElementsAre(ControlId::VScroll1, ControlId::Text1, ControlId::VScroll2,
                                     ControlId::Text2));
}

TEST_F(PanelTest, SpinnersStopAtTheirEnds) {
    for (auto [spinner, text] :
         {std::pair{&form.VScroll1, &form.Text1}, std::pair{&form.VScroll2, &form.Text2}}) {
        spinner->SetValue(1);
        changes.clear();
        spinner->SetValue(0);
        EXPECT_EQ(spinner->Value(), 1);
        EXPECT_EQ(text->Text(), "1");
        EXPECT_TRUE(changes.empty());

        spinner->SetValue(32767);
        EXPECT_EQ(text->Text(), "32767");
        changes.clear();
        spinner->SetValue(32768);
        EXPECT_EQ(spinner->Value(), 32767);
        EXPECT_TRUE(changes.empty());
    }
}
