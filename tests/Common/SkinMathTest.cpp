// The arithmetic of the skinned controls.
#include "SkinMath.h"

#include <gtest/gtest.h>

TEST(SkinMathTest, StatesFramesFillAndHitTests) {
    // Disabled wins over pressed and hover, pressed over hover; fixed normal over all.
    EXPECT_EQ(kStateDisabled, ButtonStateIndex(true, true, true, false));
    EXPECT_EQ(kStatePressed, ButtonStateIndex(false, true, true, false));
    EXPECT_EQ(kStateHover, ButtonStateIndex(false, false, true, false));
    EXPECT_EQ(kStateNormal, ButtonStateIndex(false, false, false, false));
    EXPECT_EQ(kStateNormal, ButtonStateIndex(true, true, true, true));
    // Frames are a fifth of the strip's width, integer division.
    RECT rc = StripFrameRect(1250, 92, 3);
    EXPECT_EQ((RECT{750, 0, 1000, 92}).left, rc.left);
    EXPECT_EQ(1000, rc.right);
    EXPECT_EQ(92, rc.bottom);
    EXPECT_EQ(16, StripFrameRect(81, 16, 1).left);
    EXPECT_EQ(0, ProgressFillWidth(600, 0, 1000, 0));
    EXPECT_EQ(150, ProgressFillWidth(600, 0, 1000, 250));
    EXPECT_EQ(600, ProgressFillWidth(600, 0, 1000, 1000));
    EXPECT_EQ(0, ProgressFillWidth(600, 0, 0, 5));
    EXPECT_EQ(0, ProgressFillWidth(600, 0, 100, -5));
    EXPECT_EQ(600, ProgressFillWidth(600, 0, 100, 250));  // never beyond the bar
    RECT dest, src;
    CheckBoxDrawRects(RECT{0, 0, 14, 13}, 32, 0, 16, 16, dest, src);
    EXPECT_TRUE(EqualRect(&dest, &(const RECT&)RECT{-1, -1, 15, 14}));
    EXPECT_TRUE(EqualRect(&src, &(const RECT&)RECT{32, 0, 46, 14}));
    EXPECT_EQ(6, ButtonCaptionRect(RECT{0, 0, 60, 40}).top);
    EXPECT_EQ(HTCAPTION, DragAnywhereHitTest(HTCLIENT));
    EXPECT_EQ(HTCLOSE, DragAnywhereHitTest(HTCLOSE));
    EXPECT_EQ(HTCAPTION, TopStripHitTest(HTCLIENT, 10, 30));
    EXPECT_EQ(HTCLIENT, TopStripHitTest(HTCLIENT, 30, 30));
    EXPECT_EQ(HTTRANSPARENT, PageHitTest());
    // Centred in a work area that starts below a top taskbar.
    POINT pt = CentredOrigin(RECT{0, 40, 1280, 1024}, 606, 406);
    EXPECT_EQ(337, pt.x);
    EXPECT_EQ(329, pt.y);
}
