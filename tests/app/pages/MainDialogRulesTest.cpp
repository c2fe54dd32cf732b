#include "MainDialogRules.h"

#include <gtest/gtest.h>

#include <vector>

#include "SkinMath.h"

TEST(MainDialogRules, BackgroundSliceTitleBandAndSlideOrder) {
    ImageEntry background;
    background.x = 10;
    background.cx = 1200;
    background.cy = 800;
    ImageEntry slice;
    ASSERT_TRUE(ComputeBackgroundSlice(RECT{300, 200, 600, 400}, 600, 400, background, slice));
    EXPECT_EQ((std::vector<int>{slice.x, slice.y, slice.cx, slice.cy}),
              (std::vector<int>{610, 400, 600, 400}));
    ASSERT_TRUE(ComputeBackgroundSlice(RECT{0, 0, 600, 400}, 600, 400, background, slice));
    EXPECT_EQ((std::vector<int>{slice.x, slice.y, slice.cx, slice.cy}), (std::vector<int>{10, 0, 1200, 800}));
    EXPECT_FALSE(ComputeBackgroundSlice(RECT{0, 0, 600, 400}, 0, 400, background, slice));
    EXPECT_EQ(HTCAPTION, TopStripHitTest(HTCLIENT, 0, kTitleBandHeight));
    EXPECT_EQ(HTCAPTION, TopStripHitTest(HTCLIENT, 70, kTitleBandHeight));
    EXPECT_EQ(HTCLIENT, TopStripHitTest(HTCLIENT, 71, kTitleBandHeight));
    EXPECT_EQ(HTCLIENT, TopStripHitTest(HTCLIENT, -1, kTitleBandHeight));

    std::vector<int> shown;
    for (int i = 0, nCur = 0; i < 5; ++i) shown.push_back(nCur = NextSlideIndex(nCur, 3));
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 1, 2, 1}));
    EXPECT_EQ(NextSlideIndex(0, 1), 0);
    EXPECT_EQ(NextSlideIndex(2, 0), 2);
}
