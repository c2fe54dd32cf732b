// Skinned windows: colour-keyed corners let a real click through, a skinned page still shows
// its picture.
#include "SkinDraw.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ImageMgr.h"
#include "SkinPage.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

// A plain top-level window that counts left clicks; stands behind the skinned window.
LRESULT CALLBACK CountClicksProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_LBUTTONDOWN) {
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, GetWindowLongPtrW(hWnd, GWLP_USERDATA) + 1);
        return 0;
    }
    return DefWindowProcW(hWnd, nMsg, wParam, lParam);
}

// The message box template over a picture whose corners are the colour key.
class CCornerCutBox : public CDialogBase {
public:
    CCornerCutBox() : CDialogBase(IDD_MSGBOX) {}
    int nClicks = 0;

protected:
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (nMsg == WM_LBUTTONDOWN)
            ++nClicks;
        if (nMsg != WM_ERASEBKGND)
            return false;
        DrawImageKey(reinterpret_cast<HDC>(wParam), kImageBoxBackground, 0, 0, 0, 296, 173);
        result = TRUE;
        return true;
    }
};

// A real click of the X server at a screen point (xdotool, a program of the host system),
// then messages until done() or 5 s (Wine does not wait for a host program to end).
template <typename Done>
void ClickAt(int x, int y, Done done) {
    std::string strCommand =
        "/usr/bin/xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1";
    RunProgram(strCommand, 10000);
    for (int i = 0; i < 50 && !done(); ++i) PumpMessages(100);
    PumpMessages(100);
}

}  // namespace

TEST(SkinWindowTest, KeyColouredCornersLetARealClickThrough) {
    CGdiplusSession gdiplus;
    CImageMgr& images = CImageMgr::Instance();  // the program's own artwork
    ASSERT_TRUE(images.LoadFromResources());
    ImageEntry entry;
    ASSERT_TRUE(images.GetImage(13, 0, entry));

    WNDCLASSW wc = {};
    wc.lpfnWndProc = CountClicksProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"OrvaneBehind";
    RegisterClassW(&wc);
    HWND hBehind = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"behind", WS_POPUP | WS_VISIBLE, 200,
                                   200, 400, 300, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, hBehind);

    CCornerCutBox box;
    ASSERT_TRUE(box.Create(nullptr));
    for (int i = 1008; i <= 1029; ++i) {
        if (box.GetItem(i))
            ShowWindow(box.GetItem(i), SW_HIDE);
    }
    for (int id : {IDOK, IDCANCEL}) ShowWindow(box.GetItem(id), SW_HIDE);
    ASSERT_TRUE(MakeSkinnedWindow(box.GetHwnd()));
    EXPECT_TRUE(GetWindowLongPtrW(box.GetHwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
    SetWindowPos(box.GetHwnd(), HWND_TOPMOST, 250, 250, 296, 173, SWP_SHOWWINDOW);
    UpdateWindow(box.GetHwnd());
    PumpMessages(500);

    // The picture's corner pixels are the colour key: the window behind gets that click.
    auto behindClicks = [hBehind] { return GetWindowLongPtrW(hBehind, GWLP_USERDATA); };
    ClickAt(250, 250, [&] { return behindClicks() + box.nClicks > 0; });
    EXPECT_EQ(1, behindClicks());
    EXPECT_EQ(0, box.nClicks);
    ClickAt(250 + 40, 250 + 120, [&] { return box.nClicks > 0; });  // the picture itself
    EXPECT_EQ(1, behindClicks());
    EXPECT_EQ(1, box.nClicks);

    // A page (a child window) made skinned still shows its picture.
    CDialogBase host(IDD_ORVANE_DIALOG);
    CBackgroundPage page;
    ASSERT_TRUE(host.Create(nullptr));
    SetWindowPos(host.GetHwnd(), HWND_TOP, 0, 0, 600, 400, SWP_SHOWWINDOW);
    ASSERT_TRUE(page.Create(host.GetHwnd()));
    EXPECT_TRUE(MakeSkinnedWindow(page.GetHwnd()));
    SetWindowPos(page.GetHwnd(), HWND_TOP, 0, 0, 600, 400, SWP_SHOWWINDOW);
    EXPECT_EQ(RGB(9, 40, 56), CSnapshot(page.GetHwnd()).Pixel(3, 3));  // the artwork's own top strip
    DestroyWindow(hBehind);
    images.Release();
}
