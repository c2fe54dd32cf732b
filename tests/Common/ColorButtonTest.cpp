// A skinned push button on a real page, checked at the pixel.
#include "ColorButton.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "Handles.h"
#include "ImageKeys.h"
#include "SkinDraw.h"
#include "SkinPage.h"
#include "resource.h"

namespace {
// The button with its hover state in view.
class CTestButton : public CColorButton {
public:
    using CColorButton::IsHovering;
};

using ColorButtonTest = SkinPageTest;
}  // namespace

TEST_F(ColorButtonTest, ButtonDrawsTheFrameOfEachStateAndItsCaption) {
    CTestButton button;
    Place(IDC_PATH_BROWSE, button, 100, 100, 60, 28);
    button.SetImageType(kImageSmallButton);
    button.SetTextColor(RGB(255, 255, 255));
    ASSERT_TRUE(button.SetTextFont(MakeFontDesc(12)));
    HWND hButton = button.GetHwnd();
    EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrW(hButton, GWL_STYLE) & BS_TYPEMASK);

    CSnapshot normal(hButton);
    EXPECT_EQ(kButton[0], normal.Pixel(3, 3));
    // The caption ("浏览" from the template) starts 6 pixels below the top edge.
    auto white = [](COLORREF c) { return GetRValue(c) > 160 && GetGValue(c) > 160 && GetBValue(c) > 160; };
    EXPECT_GT(normal.Count(RECT{0, 6, 60, 28}, white), 10);
    EXPECT_EQ(0, normal.Count(RECT{0, 0, 60, 6}, white));

    SendMessageW(hButton, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(button.IsHovering());
    EXPECT_TRUE(IsHandCursor());
    EXPECT_EQ(kButton[1], CSnapshot(hButton).Pixel(3, 3));
    SendMessageW(hButton, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.IsHovering());
    EXPECT_EQ(kButton[0], CSnapshot(hButton).Pixel(3, 3));

    SendMessageW(hButton, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(kButton[2], CSnapshot(hButton).Pixel(3, 3));
    EnableWindow(hButton, FALSE);  // wins over pressed
    EXPECT_EQ(kButton[3], CSnapshot(hButton).Pixel(3, 3));
    button.SetFixedNormal(true);
    EXPECT_EQ(kButton[0], CSnapshot(hButton).Pixel(3, 3));

    // No picture for the key: the parent's background shows through.
    button.SetImageType(77);
    EXPECT_EQ(kBackground, CSnapshot(hButton).Pixel(3, 3));

    // Composed into the page's picture at the button's place.
    button.SetImageType(kImageSmallButton);
    button.SetFixedNormal(false);
    EnableWindow(hButton, TRUE);
    SendMessageW(hButton, BM_SETSTATE, FALSE, 0);
    CWindowDc screen(m_page.GetHwnd());
    CMemoryDc memDc(CreateCompatibleDC(screen.Get()));
    CBitmapHandle bitmap(CreateCompatibleBitmap(screen.Get(), 600, 400));
    CSelectObject select(memDc.Get(), bitmap.Get());
    CompositeControl(button, memDc.Get());
    EXPECT_EQ(kButton[0], GetPixel(memDc.Get(), 103, 103));
    EXPECT_EQ(0u, GetPixel(memDc.Get(), 98, 98));  // outside the button: untouched
}
