// The install folder field on a real page: typing is swallowed, its text has its colour.
#include "PathEdit.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "Handles.h"
#include "SkinDraw.h"
#include "SkinPage.h"
#include "resource.h"

namespace {
using PathEditTest = SkinPageTest;
}  // namespace

TEST_F(PathEditTest, PathFieldSwallowsTypingAndColoursItsText) {
    CPathEdit edit;
    Place(IDC_PATH_EDIT, edit, 100, 260, 200, 20);
    ASSERT_TRUE(edit.SetTextFont(MakeFontDesc(12)));
    HWND hEdit = edit.GetHwnd();
    EXPECT_EQ(edit.GetHwnd(), hEdit);
    SetWindowTextW(hEdit, L"C:\\Program Files\\Orvane");
    SetFocus(hEdit);
    SendMessageW(hEdit, EM_SETSEL, 0, -1);
    PostMessageW(hEdit, WM_KEYDOWN, 'A', 0);
    PostMessageW(hEdit, WM_CHAR, VK_BACK, 0);
    PostMessageW(hEdit, WM_CHAR, 0x16, 0);  // Ctrl+V arrives as a character too
    PumpMessages(100);
    wchar_t sz[64] = {};
    GetWindowTextW(hEdit, sz, 64);
    EXPECT_STREQ(L"C:\\Program Files\\Orvane", sz);

    CWindowDc dc(hEdit);
    SetTextColor(dc.Get(), 0);
    SendMessageW(m_page.GetHwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.Get()),
                 reinterpret_cast<LPARAM>(hEdit));
    EXPECT_EQ(kDefaultTextColor, GetTextColor(dc.Get()));

    // Without the control object the same character does change the text.
    edit.Detach();
    PostMessageW(hEdit, WM_CHAR, 'x', 0);
    PumpMessages(50);
    GetWindowTextW(hEdit, sz, 64);
    EXPECT_STREQ(L"x", sz);
}
