// A skinned progress bar on a real page: the fill follows the position.
#include "ColorProgressCtrl.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "SkinPage.h"
#include "resource.h"

namespace {
using ColorProgressCtrlTest = SkinPageTest;
}  // namespace

TEST_F(ColorProgressCtrlTest, ProgressFillFollowsThePosition) {
    HWND hBar =
        CreateWindowExW(WS_EX_STATICEDGE, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, 300, 200, 12,
                        m_page.GetHwnd(), reinterpret_cast<HMENU>(IDC_PROGRESS_BAR), nullptr, nullptr);
    ASSERT_NE(nullptr, hBar);
    CColorProgressCtrl bar;
    ASSERT_TRUE(m_page.Attach(IDC_PROGRESS_BAR, bar));
    EXPECT_FALSE(GetWindowLongPtrW(hBar, GWL_EXSTYLE) & WS_EX_STATICEDGE);
    bar.SetRange(0, 1000);
    auto columns = [&](COLORREF color) {
        CSnapshot shot(hBar);
        int n = 0;
        for (int x = 0; x < shot.Width(); ++x) n += shot.Pixel(x, 6) == color ? 1 : 0;
        return n;
    };
    bar.SetPos(0);
    EXPECT_EQ(0, columns(kFill));
    EXPECT_GE(columns(kTrack), 198);
    bar.SetPos(250);
    EXPECT_EQ(50, bar.FillWidth());
    EXPECT_NEAR(50, columns(kFill), 1);  // the edge column may be smoothed
    EXPECT_NEAR(150, columns(kTrack), 1);
    bar.SetPos(1000);
    EXPECT_GE(columns(kFill), 199);
    bar.SetPos(100);  // a falling position leaves no old fill behind
    EXPECT_NEAR(20, columns(kFill), 1);
}
