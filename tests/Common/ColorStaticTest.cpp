// A skinned label on a real page: its colours, hover and redrawing.
#include "ColorStatic.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "Handles.h"
#include "SkinDraw.h"
#include "SkinPage.h"
#include "resource.h"

namespace {
// The label with its hover state and colour in view.
class CTestStatic : public CColorStatic {
public:
    using CColorStatic::GetCurrentColor;
    using CColorStatic::IsHovering;
};

using ColorStaticTest = SkinPageTest;
}  // namespace

TEST_F(ColorStaticTest, LabelFollowsHoverAndLeavesNoTraceOfALongerText) {
    CTestStatic label, plain;
    Place(IDC_PATH_BOOT_LABEL, label, 100, 200, 200, 16);
    Place(IDC_PATH_RUN_LABEL, plain, 100, 230, 200, 16);
    const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);
    for (CTestStatic* p : {&label, &plain}) {
        p->SetTextColor(kRed);
        p->SetHoverColor(kBlue);
        ASSERT_TRUE(p->SetTextFont(MakeFontDesc(12)));
        SetWindowTextW(p->GetHwnd(), L"开机启动，很长的一段文字");
    }
    label.SetHoverEnabled(true);
    auto red = [](COLORREF c) { return GetRValue(c) > 180 && GetBValue(c) < 80; };
    auto blue = [](COLORREF c) { return GetBValue(c) > 180 && GetRValue(c) < 80; };
    const RECT all = {0, 0, 200, 16};

    CSnapshot before(label.GetHwnd());
    EXPECT_GT(before.Count(all, red), 10);
    EXPECT_EQ(0, before.Count(all, blue));
    EXPECT_EQ(kBackground, before.Pixel(199, 15));  // no background of its own

    SendMessageW(label.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(IsHandCursor());
    CSnapshot hovered(label.GetHwnd());
    EXPECT_GT(hovered.Count(all, blue), 10);
    EXPECT_EQ(0, hovered.Count(all, red));
    EXPECT_EQ(kBlue, label.GetCurrentColor());
    SendMessageW(label.GetHwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(IsHandCursor());
    EXPECT_EQ(0, CSnapshot(label.GetHwnd()).Count(all, blue));

    SendMessageW(plain.GetHwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));  // hover off: no change
    EXPECT_FALSE(plain.IsHovering());
    EXPECT_EQ(0, CSnapshot(plain.GetHwnd()).Count(all, blue));

    int nLong = label.GetTextWidth();
    SetWindowTextW(label.GetHwnd(), L"短");
    int nShort = label.GetTextWidth();
    EXPECT_GT(nShort, 0);
    EXPECT_LT(nShort, nLong);
    UpdateWindow(label.GetHwnd());
    CWindowDc dc(label.GetHwnd());
    int nTrace = 0;
    for (int x = nShort + 1; x < nLong; ++x)
        for (int y = 0; y < 16; ++y) nTrace += red(GetPixel(dc.Get(), x, y)) ? 1 : 0;
    EXPECT_EQ(0, nTrace);
    SetWindowTextW(label.GetHwnd(), L"");
    EXPECT_EQ(0, label.GetTextWidth());
}
