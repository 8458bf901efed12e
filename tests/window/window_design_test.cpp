#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "window/ControlTable.h"
#include "window/Twips.h"

TEST(Twips, ClientAreaAtCommonDensities) {
    struct Case {
        int dpi;
        int width;
        int height;
    };
    for (const Case c :
         {Case{96, 530, 169}, Case{120, 663, 211}, Case{144, 796, 253}, Case{192, 1061, 338}}) {
        EXPECT_EQ(TwipsToPixels(kWindow.clientWidthTwips, c.dpi), c.width) << c.dpi;
        EXPECT_EQ(TwipsToPixels(kWindow.clientHeightTwips, c.dpi), c.height) << c.dpi;
    }
}

TEST(Twips, RoundsToTheNearestPixelWithHalvesAwayFromZero) {
    EXPECT_EQ(TwipsToPixels(7, 96), 0);   // 0.47
    EXPECT_EQ(TwipsToPixels(8, 96), 1);   // 0.53
    EXPECT_EQ(TwipsToPixels(15, 48), 1);  // exactly 0.5
    EXPECT_EQ(TwipsToPixels(-15, 48), -1);
    EXPECT_EQ(TwipsToPixels(1440, 96), 96);
}

TEST(ControlTable, PictureIsThePicturesOwnSizeAtTheDesignScale) {
    const PixelRect picture = ToPixels(FindControl("Image1")->rect, 120);
    EXPECT_EQ(picture.width, 340);
    EXPECT_EQ(picture.height, 148);
}

TEST(ControlTable, TabMovesThroughTheTenFocusableControlsInOrder) {
    std::vector<std::string> names;
    for (const ControlSpec* control : TabOrder()) {
        ASSERT_NE(control, nullptr);
        names.emplace_back(control->name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"Command1", "Command2", "Check1", "Command3", "Text2",
                                        "Text1", "Check3", "Check2", "VScroll2", "VScroll1"}));
}

TEST(ControlTable, EveryControlSitsInAKnownContainerAndHasAUniqueName) {
    std::set<std::string_view> names;
    for (const ControlSpec& control : kControls) {
        EXPECT_TRUE(names.insert(control.name).second) << control.name;
        if (!control.container.empty()) {
            const ControlSpec* container = FindControl(control.container);
            ASSERT_NE(container, nullptr) << control.name;
            EXPECT_EQ(container->kind, ControlKind::Frame);
            EXPECT_LE(control.rect.left + control.rect.width, container->rect.width)
                << control.name;
        }
    }
}
