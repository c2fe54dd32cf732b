// A page's control table applied for real: every kind of control takes the caption, place,
// picture, font and colour of its row, a plain control through the defaults of the base.
#include "ControlTable.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "ColorButton.h"
#include "Handles.h"
#include "ImageKeys.h"
#include "SkinDraw.h"
#include "SkinPage.h"
#include "resource.h"

namespace {
using ControlTableTest = SkinPageTest;

RECT ChildRectOf(HWND hChild) {
    RECT rc = {};
    GetWindowRect(hChild, &rc);
    MapWindowPoints(HWND_DESKTOP, GetParent(hChild), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}
}  // namespace

TEST_F(ControlTableTest, EveryControlTakesItsRowWithoutATypeSwitch) {
    const COLORREF kRowColor = RGB(255, 255, 255);
    CSubclassedWindow plain;
    CColorButton captioned, pictureOnly;
    ASSERT_TRUE(ApplyControlTable(
        m_page, {{IDC_PATH_BOOT_LABEL, &plain, {10, 10, 110, 30}, 0, "plain", kBoldFont, RGB(1, 2, 3)},
                 {IDC_PATH_BROWSE,
                  &captioned,
                  {100, 100, 160, 128},
                  kImageSmallButton,
                  nullptr,
                  kTextFont,
                  kRowColor},
                 {IDC_PATH_BACK,
                  &pictureOnly,
                  {200, 100, 260, 128},
                  kImageSmallButton,
                  "返回",
                  kNoFont,
                  kRowColor}}));

    // The plain control: caption, place, its own font in the window and its colour on every
    // colour request the page hands back.
    EXPECT_EQ(L"plain", TextOf(plain.GetHwnd()));
    RECT rc = ChildRectOf(plain.GetHwnd());
    EXPECT_EQ(10, rc.left);
    EXPECT_EQ(30, rc.bottom);
    auto hFont = reinterpret_cast<HFONT>(SendMessageW(plain.GetHwnd(), WM_GETFONT, 0, 0));
    LOGFONTW font = {};
    ASSERT_NE(0, GetObjectW(hFont, sizeof(font), &font));
    EXPECT_EQ(12, font.lfHeight);
    EXPECT_EQ(FW_BOLD, font.lfWeight);
    CWindowDc dc(plain.GetHwnd());
    SetTextColor(dc.Get(), 0);
    SendMessageW(m_page.GetHwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                 reinterpret_cast<LPARAM>(plain.GetHwnd()));
    EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc.Get()));

    // The skinned buttons: both draw their row's picture; only the one with a font draws its
    // caption ("浏览" from the template), and the other still carries its name as window text.
    auto white = [](COLORREF c) { return GetRValue(c) > 160 && GetGValue(c) > 160 && GetBValue(c) > 160; };
    CSnapshot withCaption(captioned.GetHwnd());
    EXPECT_EQ(kButton[0], withCaption.Pixel(3, 3));
    EXPECT_GT(withCaption.Count(RECT{0, 6, 60, 28}, white), 10);
    CSnapshot withoutCaption(pictureOnly.GetHwnd());
    EXPECT_EQ(kButton[0], withoutCaption.Pixel(3, 3));
    EXPECT_EQ(0, withoutCaption.Count(RECT{0, 0, 60, 28}, white));
    EXPECT_EQ(Wide("返回"), TextOf(pictureOnly.GetHwnd()));
}
