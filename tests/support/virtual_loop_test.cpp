#include <gtest/gtest.h>

#include "tests/panel/PanelFixture.h"

using ::testing::ElementsAre;

using VirtualLoopTest = PanelTest;

TEST_F(VirtualLoopTest, FirstTickComesOneIntervalAfterEnabling) {
    loop.AdvanceBy(333);
    form.Timer2.SetEnabled(true);
    loop.AdvanceBy(499);
    EXPECT_EQ(form.BurstCount, 0);
    loop.AdvanceBy(1);
    EXPECT_EQ(form.BurstCount, 1);
    EXPECT_THAT(Times(DeviceVerb::Enable), ElementsAre(833));
}

TEST_F(VirtualLoopTest, LateTicksAreDroppedNotQueued) {
    // Each launch takes 1.2 s, so two burst ticks fall due during it: one waits, one is lost.
    VirtualLoop* clock = nullptr;
    Form1 slow{[&clock](DeviceVerb) { clock->Spend(1200); }};
    VirtualLoop slowLoop{slow};
    clock = &slowLoop;
    slow.Timer2.SetEnabled(true);
    slowLoop.AdvanceBy(3000);
    // Ticks at 500 (ends 1700), the one waiting since 1000 at 1700 (ends 2900), then the one
    // waiting since 2000 at 2900.
    EXPECT_EQ(slow.BurstCount, 3);
    EXPECT_EQ(slowLoop.NowMs(), 4100);
}

TEST_F(VirtualLoopTest, DisablingDropsAWaitingTick) {
    form.Timer1.SetEnabled(true);
    form.Timer2.SetEnabled(true);
    loop.Spend(1000);  // both due meanwhile
    form.Timer2.SetEnabled(false);
    loop.AdvanceBy(0);
    EXPECT_EQ(form.AutoOnCount, 1);
    EXPECT_EQ(form.BurstCount, 0);
}
