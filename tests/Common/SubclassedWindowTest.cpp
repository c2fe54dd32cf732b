// A skinned button and another subclasser of the same window, hooked and unhooked in either
// order.
#include "SubclassedWindow.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "ColorButton.h"
#include "SkinPage.h"
#include "resource.h"

namespace {
using SubclassedWindowTest = SkinPageTest;

// A subclasser hooked in after the skin, as a TTF_SUBCLASS tooltip is: counts mouse moves.
LRESULT CALLBACK CountMovesProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR nRef) {
    if (nMsg == WM_MOUSEMOVE)
        ++*reinterpret_cast<int*>(nRef);
    return DefSubclassProc(hWnd, nMsg, wParam, lParam);
}

// The button with its hover state in view.
class CTestButton : public CColorButton {
public:
    using CColorButton::IsHovering;
};

}  // namespace

TEST_F(SubclassedWindowTest, SkinAndALaterSubclasserLeaveInEitherOrder) {
    CTestButton button;
    Place(IDC_PATH_BACK, button, 100, 100, 60, 28);
    HWND hButton = button.GetHwnd();
    int nMoves = 0;
    ASSERT_TRUE(SetWindowSubclass(hButton, CountMovesProc, 1, reinterpret_cast<DWORD_PTR>(&nMoves)));
    // The skin leaves first: the later subclasser still sees the button's messages.
    button.Detach();
    EXPECT_EQ(nullptr, CSubclassedWindow::FromHandle(hButton));
    SendMessageW(hButton, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(1, nMoves);
    EXPECT_FALSE(button.IsHovering());
    // Skinned again, over the counter; the counter leaves first and the skin still works.
    ASSERT_TRUE(button.Attach(hButton));
    SendMessageW(hButton, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(2, nMoves);
    EXPECT_TRUE(button.IsHovering());
    ASSERT_TRUE(RemoveWindowSubclass(hButton, CountMovesProc, 1));
    SendMessageW(hButton, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.IsHovering());
    SendMessageW(hButton, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(2, nMoves);
    EXPECT_TRUE(button.IsHovering());
    button.Detach();
    // The platform's own handling is back.
    SetWindowTextW(hButton, L"abc");
    wchar_t szText[8] = {};
    GetWindowTextW(hButton, szText, 8);
    EXPECT_STREQ(L"abc", szText);
}
