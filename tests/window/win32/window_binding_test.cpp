#include <algorithm>

#include "tests/window/win32/WindowFixture.h"

namespace {

using WindowBindingTest = WindowTest;

constexpr auto kEnable = DeviceVerb::Enable;
constexpr auto kDisable = DeviceVerb::Disable;

TEST_F(WindowBindingTest, StartsShowingTheFormsValuesWithNothingLaunched) {
    EXPECT_EQ(TextOf(Widget("Text1")), L"2");
    EXPECT_EQ(TextOf(Widget("Text2")), L"3");
    EXPECT_FALSE(Ticked("Check1") || Ticked("Check2") || Ticked("Check3"));
    // Upside down: the top of the bar (position 1) is 32767.
    EXPECT_EQ(ScrollPosition("VScroll1"), 32766);
    EXPECT_EQ(ScrollPosition("VScroll2"), 32765);
    EXPECT_TRUE(launches.empty());
    EXPECT_FALSE(StopWindowTimer(FormBinding::kTimer1Id));
    EXPECT_FALSE(StopWindowTimer(FormBinding::kTimer2Id));
}

TEST_F(WindowBindingTest, EachButtonRunsItsSwitchingProcedure) {
    Click("Command1");
    EXPECT_EQ(launches, std::vector<DeviceVerb>(6, kEnable));
    EXPECT_TRUE(form.Timer2.Enabled());

    launches.clear();
    Click("Command2");
    EXPECT_EQ(launches, std::vector<DeviceVerb>{kDisable});
    EXPECT_FALSE(StopWindowTimer(FormBinding::kTimer2Id)) << "USB Off stops the burst";

    launches.clear();
    Click("Command3");
    EXPECT_EQ(launches, std::vector<DeviceVerb>{kDisable});
    EXPECT_TRUE(StopWindowTimer(FormBinding::kTimer2Id)) << "Restart USB starts the burst";
}

TEST_F(WindowBindingTest, ClickingACheckBoxTicksItAndRunsItsClickProcedure) {
    form.MinuteCount = 42;
    Click("Check3");
    EXPECT_EQ(form.Check3.Value(), 1);
    EXPECT_TRUE(Ticked("Check3"));
    EXPECT_EQ(form.MinuteCount, 0);
    EXPECT_TRUE(form.Timer1.Enabled());

    form.MinuteCount = 42;
    Click("Check3");
    EXPECT_EQ(form.Check3.Value(), 0);
    EXPECT_FALSE(Ticked("Check3"));
    EXPECT_EQ(form.MinuteCount, 0);
    EXPECT_FALSE(StopWindowTimer(FormBinding::kTimer1Id));
    EXPECT_TRUE(launches.empty());
}

TEST_F(WindowBindingTest, TheSpaceBarTicksTheFocusedBox) {
    SetFocus(Widget("Check2"));
    form.HourCount = 7;
    Press(VK_SPACE);
    EXPECT_EQ(form.Check2.Value(), 1);
    EXPECT_EQ(form.HourCount, 0);
    EXPECT_TRUE(StopWindowTimer(FormBinding::kTimer1Id));
}

TEST_F(WindowBindingTest, ChangesMadeByProceduresShowAtOnce) {
    form.Check1.SetValue(1);
    EXPECT_TRUE(Ticked("Check1"));
    EXPECT_TRUE(StopWindowTimer(FormBinding::kTimer1Id));

    form.VScroll2.SetValue(17);
    EXPECT_EQ(TextOf(Widget("Text2")), L"17");
    EXPECT_EQ(ScrollPosition("VScroll2"), 32768 - 17);

    form.Check1.SetValue(0);
    EXPECT_FALSE(Ticked("Check1"));
}

TEST_F(WindowBindingTest, EachScrollStepMovesTheSpinnerByOneUpwardsMeaningMore) {
    const auto step = [this](int request) { Scroll("VScroll1", request); };
    step(SB_LINEUP);
    EXPECT_EQ(form.VScroll1.Value(), 3);
    EXPECT_EQ(TextOf(Widget("Text1")), L"3");
    EXPECT_EQ(ScrollPosition("VScroll1"), 32765);
    step(SB_PAGEUP);
    EXPECT_EQ(form.VScroll1.Value(), 4);
    step(SB_LINEDOWN);
    step(SB_PAGEDOWN);
    EXPECT_EQ(form.VScroll1.Value(), 2);
    EXPECT_EQ(TextOf(Widget("Text1")), L"2");
    EXPECT_EQ(ScrollPosition("VScroll1"), 32766);
    EXPECT_EQ(form.VScroll2.Value(), 3) << "the other spinner stays";
}

TEST_F(WindowBindingTest, TheArrowKeysStepTheFocusedSpinner) {
    SetFocus(Widget("VScroll2"));
    Press(VK_UP);
    EXPECT_EQ(form.VScroll2.Value(), 4);
    EXPECT_EQ(TextOf(Widget("Text2")), L"4");
    Press(VK_DOWN);
    Press(VK_DOWN);
    EXPECT_EQ(form.VScroll2.Value(), 2);
    EXPECT_EQ(TextOf(Widget("Text2")), L"2");
}

TEST_F(WindowBindingTest, SpinnersStopAtOneAndAt32767) {
    const auto step = [this](int request) { Scroll("VScroll1", request); };
    step(SB_BOTTOM);
    EXPECT_EQ(form.VScroll1.Value(), 1);
    step(SB_LINEDOWN);
    EXPECT_EQ(form.VScroll1.Value(), 1);
    EXPECT_EQ(TextOf(Widget("Text1")), L"1");
    EXPECT_EQ(ScrollPosition("VScroll1"), 32767);

    step(SB_TOP);
    EXPECT_EQ(form.VScroll1.Value(), 32767);
    step(SB_LINEUP);
    EXPECT_EQ(form.VScroll1.Value(), 32767);
    EXPECT_EQ(TextOf(Widget("Text1")), L"32767");
    EXPECT_EQ(ScrollPosition("VScroll1"), 1);
}

TEST_F(WindowBindingTest, TimerMessagesRunTheTickProcedures) {
    const auto tick = [&](UINT_PTR id) {
        SendMessageW(window.Handle(), WM_TIMER, id, 0);
        Pump();
    };
    Click("Check1");
    for (int i = 0; i < 9; ++i) {
        tick(FormBinding::kTimer1Id);
    }
    EXPECT_TRUE(launches.empty());
    tick(FormBinding::kTimer1Id);
    EXPECT_EQ(launches, std::vector<DeviceVerb>(6, kEnable)) << "Auto On after ten ticks";
    EXPECT_FALSE(Ticked("Check1"));
    EXPECT_FALSE(StopWindowTimer(FormBinding::kTimer1Id));

    for (int i = 0; i < 8; ++i) {
        tick(FormBinding::kTimer2Id);
    }
    EXPECT_EQ(std::count(launches.begin(), launches.end(), kEnable), 14);
    EXPECT_FALSE(StopWindowTimer(FormBinding::kTimer2Id)) << "the burst stops itself";

    // A tick that was already due when its timer stopped runs nothing.
    tick(FormBinding::kTimer2Id);
    tick(FormBinding::kTimer1Id);
    EXPECT_EQ(launches.size(), 14u);
    EXPECT_EQ(form.AutoOnCount, 0);
}

}  // namespace
