// The loading window, run modally for real on this thread and driven from a thread timer
// inside its modal loop.
#include "StartDlg.h"

#include <gtest/gtest.h>

#include <string>

#include "ProductInfoMgr.h"
#include "SkinTestSupport.h"
#include "resource.h"

TEST(LoadingDialogTest, EndsWithTheLoaderCommandAndCountsMeanwhile) {
    CGdiplusSession gdiplus;
    struct Case {
        WORD nCommand;
        INT_PTR nEnd;
        int nResult;
    };
    // A command that is there before the first tick ends the window with the text untouched.
    for (const Case& c : {Case{kCmdConfigLoaded, IDOK, 1}, Case{kCmdConfigFailed, IDCANCEL, -1},
                          Case{kCmdNothingToInstall, IDCANCEL, 0}}) {
        SCOPED_TRACE(c.nCommand);
        WORD nCommand = c.nCommand;
        CStartDlg dlg([nCommand](HWND hNotify) { PostMessageA(hNotify, WM_COMMAND, nCommand, 0); });
        EXPECT_EQ(c.nEnd, dlg.DoModal(nullptr));
        EXPECT_EQ(c.nResult, dlg.m_nResult);
        EXPECT_EQ(0, dlg.m_nPercent);
    }

    // A slower loader: the number counts (blank-padded) until the command; Escape before any
    // command counts as "nothing to install".
    HWND hLoading = nullptr;
    std::wstring strShown;
    CStartDlg slow([&hLoading](HWND hNotify) { hLoading = hNotify; });
    Later(400, [&] {
        strShown = TextOf(GetDlgItem(hLoading, IDC_LOADING_TEXT));
        PostMessageW(hLoading, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(IDCANCEL, slow.DoModal(nullptr));
    EXPECT_EQ(0, slow.m_nResult);
    EXPECT_GE(slow.m_nPercent, 2);
    EXPECT_LE(slow.m_nPercent, 20);
    EXPECT_EQ(Wide("请稍后，正在加载资源 1%"), Wide(LoadingText(1).c_str()));
    EXPECT_EQ(Wide("请稍后，正在加载资源99%"), Wide(LoadingText(99).c_str()));
    EXPECT_EQ(0u, strShown.find(Wide("请稍后，正在加载资源")));
    EXPECT_EQ(L'%', strShown.back());
}
