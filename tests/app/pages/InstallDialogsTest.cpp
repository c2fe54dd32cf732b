// The message box and the progress page, run for real on this thread: the box modally (driven
// from a thread timer inside its modal loop), the page inside a stand-in main window.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ImageKeys.h"
#include "InstallHost.h"
#include "KavvikMsgBoxDlg.h"
#include "ProductInfoMgr.h"
#include "ProgressDlg.h"
#include "SkinTestSupport.h"
#include "resource.h"

namespace {

struct DialogSearch {
    HWND hExcept;
    HWND hFound;
};

BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam) {
    auto* p = reinterpret_cast<DialogSearch*>(lParam);
    wchar_t szClass[16] = {};
    GetClassNameW(hWnd, szClass, 16);
    if (hWnd != p->hExcept && IsWindowVisible(hWnd) && std::wstring(szClass) == L"#32770") {
        p->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog of this thread other than hExcept.
HWND FindThreadDialog(HWND hExcept = nullptr) {
    DialogSearch search = {hExcept, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

struct BoxSeen {
    std::wstring line1, line2, ok, cancel, title, name, close;
    RECT rcWindow = {};
};

// Shows a box, records what it shows, then ends it with fnEnd(box) and answers the result.
// A loaded machine may fire the first look before the box shows, so it looks again a few times.
void ReadBoxLater(BoxSeen& seen, std::function<void(HWND)> fnEnd, int nTries = 50) {
    Later(200, [&seen, fnEnd, nTries] {
        HWND hBox = FindThreadDialog();
        if (!hBox && nTries > 1)
            return ReadBoxLater(seen, fnEnd, nTries - 1);
        ASSERT_NE(nullptr, hBox);
        seen.line1 = TextOf(GetDlgItem(hBox, IDC_MSGBOX_LINE1));
        seen.line2 = TextOf(GetDlgItem(hBox, IDC_MSGBOX_LINE2));
        seen.ok = TextOf(GetDlgItem(hBox, IDOK));
        seen.cancel = TextOf(GetDlgItem(hBox, IDCANCEL));
        seen.title = TextOf(GetDlgItem(hBox, IDC_MSGBOX_TITLE));
        seen.name = TextOf(hBox);
        seen.close = TextOf(GetDlgItem(hBox, IDC_MSGBOX_CLOSE));
        GetWindowRect(hBox, &seen.rcWindow);
        fnEnd(hBox);
    });
}

int RunBox(const char* pszText, const char* pszOk, const char* pszCancel, std::function<void(HWND)> fnEnd,
           BoxSeen& seen) {
    ReadBoxLater(seen, std::move(fnEnd));
    return ShowMsgBox(nullptr, pszText, pszOk, pszCancel);
}

void PressKey(HWND hBox, WPARAM nKey) {
    PostMessageW(GetFocus() ? GetFocus() : hBox, WM_KEYDOWN, nKey, 0);
}

}  // namespace

TEST(MessageBoxTest, SplitsTheTextAndAnswersWhichButtonEndedIt) {
    CGdiplusSession gdiplus;
    BoxSeen seen;
    // The free-space question: one line break, its own captions, Enter.
    const char kText[] = "您选择的硬盘存储空间不足，请删除其他文\n件，或重新选择路径后进行安装。";
    EXPECT_EQ(1, RunBox(
                     kText, "重 试", "选其他路径", [](HWND hBox) { PressKey(hBox, VK_RETURN); }, seen));
    EXPECT_EQ(Wide("您选择的硬盘存储空间不足，请删除其他文"), seen.line1);
    EXPECT_EQ(Wide("件，或重新选择路径后进行安装。"), seen.line2);
    EXPECT_EQ(Wide("重 试"), seen.ok);
    EXPECT_EQ(Wide("选其他路径"), seen.cancel);
    EXPECT_EQ(Wide("提示"), seen.title);
    // Named for the taskbar, screen readers and test tools as it is titled, its picture
    // button as it is drawn.
    EXPECT_EQ(Wide("提示"), seen.name);
    EXPECT_EQ(Wide("关闭"), seen.close);
    EXPECT_EQ(296, seen.rcWindow.right - seen.rcWindow.left);
    EXPECT_EQ(173, seen.rcWindow.bottom - seen.rcWindow.top);

    // No line break, default captions, Escape.
    EXPECT_EQ(2, RunBox(
                     "安装失败。", nullptr, nullptr, [](HWND hBox) { PressKey(hBox, VK_ESCAPE); }, seen));
    EXPECT_EQ(Wide("安装失败。"), seen.line1);
    EXPECT_EQ(L"", seen.line2);
    EXPECT_EQ(Wide("确 定"), seen.ok);
    EXPECT_EQ(Wide("取 消"), seen.cancel);

    // A second line break stays in line two; the close button gives 8.
    EXPECT_EQ(8,
              RunBox(
                  "a\nb\nc", nullptr, nullptr,
                  [](HWND hBox) { PostMessageW(GetDlgItem(hBox, IDC_MSGBOX_CLOSE), BM_CLICK, 0, 0); }, seen));
    EXPECT_EQ(L"a", seen.line1);
    EXPECT_EQ(L"b\nc", seen.line2);

    // A box that cannot be made (its owner is no window) counts as closed, not as OK. (Should
    // one appear all the same, it is confirmed, and the answer 1 fails the check.)
    Later(1000, [] {
        if (HWND hBox = FindThreadDialog())
            PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(8, ShowMsgBox(reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ffe1234)), "x"));
}

namespace {

// The main window as the progress page sees it: a plain top-level dialog.
class CHostStandIn : public IInstallHost {
public:
    CHostStandIn() : m_window(IDD_ORVANE_DIALOG) {
        m_window.Create(nullptr);
        SetWindowPos(m_window.GetHwnd(), nullptr, 0, 0, 600, 400, SWP_NOZORDER | SWP_SHOWWINDOW);
        m_window.OnCommandId(ID_CMD_CLOSE_RUN, [this] { ++m_nCloseCommands; });
    }
    HWND GetHostWindow() const override { return m_window.GetHwnd(); }
    const PageTexts& GetPageTexts() const override { return m_texts; }
    std::vector<OfferChoice> GetRecommendOffers() const override { return {}; }
    OfferChoice GetHomePageOffer() const override { return {}; }
    bool IsClientRunning() const override { return false; }
    void CloseClient() override {}
    std::string GetInstallDir() const override { return {}; }
    void SetInstallPath(const std::string&) override {}
    BOOL GetRunAfterInstall() const override { return TRUE; }
    void SetRunAfterInstall(BOOL) override {}
    BOOL GetAnchorReminder() const override { return TRUE; }
    void SetAnchorReminder(BOOL) override {}
    void SetAutoStart(BOOL) override {}
    void SetPinTaskbar(BOOL) override {}
    void SetRecommend(int, BOOL) override {}
    void SetHomePageChoice(BOOL) override {}
    bool GetBackgroundSlice(const RECT&, ImageEntry&) const override { return false; }
    void ShowInstallPathPage() override {}
    void ShowStartPage() override {}

    int m_nCloseCommands = 0;

private:
    PageTexts m_texts = {"Kavvik 播放器", "", "", "", ""};
    CDialogBase m_window;
};

}  // namespace

TEST(ProgressPageTest, DropsValuesWhileMinimisedShowsTheSlideAndClosesTheRun) {
    CGdiplusSession gdiplus;
    CSolidImageSource images;
    images.AddWhole(kImageSlide, 1, 580, 354, RGB(200, 0, 0));
    CHostStandIn host;
    CProgressDlg page(host);
    ASSERT_TRUE(page.Create(host.GetHostWindow()));
    HWND hPage = page.GetHwnd();
    SetWindowPos(hPage, nullptr, 0, 0, 600, 400, SWP_NOZORDER | SWP_SHOWWINDOW);
    PumpMessages(50);

    page.SetProgress(40);
    EXPECT_EQ(40, page.GetProgress());
    ShowWindow(host.GetHostWindow(), SW_MINIMIZE);
    page.SetProgress(70);
    EXPECT_EQ(40, page.GetProgress());
    ShowWindow(host.GetHostWindow(), SW_RESTORE);
    page.SetProgress(80);
    EXPECT_EQ(80, page.GetProgress());

    // Slide 1 fills the slide rectangle; slide 2 has no picture and leaves it unpainted.
    page.SetCurrentSlide(1);
    page.RepaintSlide();
    EXPECT_TRUE(NearColor(RGB(200, 0, 0), CSnapshot(hPage).Pixel(300, 200)));
    page.SetCurrentSlide(2);
    page.RepaintSlide();
    EXPECT_FALSE(NearColor(RGB(200, 0, 0), CSnapshot(hPage).Pixel(300, 200)));

    // The status texts stay fixed; the close button asks the main window to end the run.
    EXPECT_EQ(Wide("正在安装视频资源"), TextOf(page.GetItem(IDC_PROGRESS_STATUS)));
    EXPECT_EQ(L"......", TextOf(page.GetItem(IDC_PROGRESS_DOTS)));
    EXPECT_EQ(HTTRANSPARENT, SendMessageW(hPage, WM_NCHITTEST, 0, MAKELPARAM(300, 200)));
    // Only the minimise button has a tip.
    HWND hTip = FindTooltipOf(hPage);
    ASSERT_NE(nullptr, hTip);
    EXPECT_EQ("最小化", TooltipText(hTip, hPage, page.GetItem(IDC_PROGRESS_MIN)));
    EXPECT_EQ("", TooltipText(hTip, hPage, page.GetItem(IDC_PROGRESS_CLOSE)));
    SendMessageW(page.GetItem(IDC_PROGRESS_CLOSE), BM_CLICK, 0, 0);
    PumpMessages(50);
    EXPECT_EQ(1, host.m_nCloseCommands);
}
