// The skinned controls on a real page over a real background, checked at the pixel: every
// picture is a solid colour, so a pixel tells which frame (or nothing) was drawn.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ColorButton.h"
#include "ColorCheckButton.h"
#include "ColorProgressCtrl.h"
#include "ColorStatic.h"
#include "DialogBase.h"
#include "ImageMgr.h"
#include "Log.h"
#include "PathEdit.h"
#include "SkinDraw.h"
#include "SkinMath.h"
#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

const COLORREF kBackground = RGB(0, 128, 0);
const COLORREF kButton[5] = {RGB(200, 0, 0), RGB(0, 0, 200), RGB(200, 200, 0), RGB(128, 128, 128),
                             RGB(0, 0, 0)};
const COLORREF kUnchecked[5] = {RGB(255, 128, 0), RGB(255, 192, 128), RGB(160, 80, 0), RGB(96, 96, 96), 0};
const COLORREF kChecked[5] = {RGB(0, 200, 200), RGB(128, 255, 255), RGB(0, 100, 100), RGB(64, 64, 64), 0};
const COLORREF kTrack = RGB(40, 40, 40);
const COLORREF kFill = RGB(250, 250, 0);

// A page over the shared background, as the program's pages are.
class CBackgroundPage : public CDialogBase {
public:
    CBackgroundPage() : CDialogBase(IDD_INSTALLPATH) {}

protected:
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (nMsg != WM_ERASEBKGND)
            return false;
        RECT rc = {};
        GetClientRect(GetHwnd(), &rc);
        DrawImageKey(reinterpret_cast<HDC>(wParam), kImageBackground, 0, 0, 0, rc.right, rc.bottom);
        result = TRUE;
        return true;
    }
};

class SkinControlsTest : public ::testing::Test {
protected:
    // One page for all the tests: here Wine takes about two seconds to take a shown
    // top-level window off the display (Xvfb, no window manager).
    static void SetUpTestSuite() {
        s_pHost = new CDialogBase(IDD_ORVANE_DIALOG);
        s_pPage = new CBackgroundPage;
        if (s_pHost->Create(nullptr)) {
            SetWindowPos(s_pHost->GetHwnd(), HWND_TOP, 0, 0, 600, 400, SWP_SHOWWINDOW);
            if (s_pPage->Create(s_pHost->GetHwnd()))
                SetWindowPos(s_pPage->GetHwnd(), HWND_TOP, 0, 0, 600, 400, SWP_SHOWWINDOW);
        }
    }
    static void TearDownTestSuite() {
        delete s_pPage;
        delete s_pHost;
    }
    void SetUp() override {
        m_images.AddWhole(kImageBackground, 0, 600, 400, kBackground);
        m_images.AddStrip(kImageSmallButton, 60, 28, kButton);
        m_images.AddStrip(kImageUnchecked, 16, 16, kUnchecked);
        m_images.AddStrip(kImageChecked, 16, 16, kChecked);
        m_images.AddWhole(kImageProgress, kProgressTrack, 598, 8, kTrack);
        m_images.AddWhole(kImageProgress, kProgressFill, 598, 6, kFill);
        ASSERT_NE(nullptr, m_page.GetHwnd());
        PumpMessages(20);
    }
    // Takes over a template control and gives it a place on the page.
    void Place(int nId, CSubclassedWindow& control, int x, int y, int cx, int cy) {
        ASSERT_TRUE(m_page.Attach(nId, control));
        MoveWindow(control.GetHwnd(), x, y, cx, cy, TRUE);
    }

    static CDialogBase* s_pHost;
    static CBackgroundPage* s_pPage;
    CSolidImageSource m_images;
    CBackgroundPage& m_page = *s_pPage;
};

CDialogBase* SkinControlsTest::s_pHost = nullptr;
CBackgroundPage* SkinControlsTest::s_pPage = nullptr;

// GDI+ once for the whole program, before the first page and after the last.
class CGdiplusEnvironment : public ::testing::Environment {
    void SetUp() override { m_pSession = std::make_unique<CGdiplusSession>(); }
    void TearDown() override { m_pSession.reset(); }
    std::unique_ptr<CGdiplusSession> m_pSession;
};
const auto* const g_pGdiplusEnvironment = ::testing::AddGlobalTestEnvironment(new CGdiplusEnvironment);

// A subclasser hooked in after the skin, as a TTF_SUBCLASS tooltip is: counts mouse moves.
LRESULT CALLBACK CountMovesProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR nRef) {
    if (nMsg == WM_MOUSEMOVE)
        ++*reinterpret_cast<int*>(nRef);
    return DefSubclassProc(hWnd, nMsg, wParam, lParam);
}

bool IsHandCursor() {
    return GetCursor() == LoadCursor(nullptr, IDC_HAND);
}

}  // namespace

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

TEST_F(SkinControlsTest, ButtonDrawsTheFrameOfEachStateAndItsCaption) {
    CColorButton button;
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

TEST_F(SkinControlsTest, SkinAndALaterSubclasserLeaveInEitherOrder) {
    CColorButton button;
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

TEST_F(SkinControlsTest, CheckBoxTogglesOnItsClickAndLogsEachDrawing) {
    CTempDir temp;
    SetLogFile(temp.File("check.log").c_str());
    SetLogLevel(6);
    SetLogFlags(LOG_FILE);
    CColorCheckButton box;
    Place(IDC_PATH_BOOT, box, 100, 150, 16, 16);
    int nClicks = 0;
    m_page.OnCommandId(IDC_PATH_BOOT, [&nClicks] { ++nClicks; });
    HWND hBox = box.GetHwnd();

    EXPECT_EQ(kUnchecked[0], CSnapshot(hBox).Pixel(8, 8));
    SendMessageW(hBox, BM_CLICK, 0, 0);
    EXPECT_EQ(1, box.GetCheck());
    EXPECT_EQ(1, nClicks);  // the dialog still receives the click
    EXPECT_EQ(kChecked[0], CSnapshot(hBox).Pixel(8, 8));
    SendMessageW(hBox, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(kChecked[1], CSnapshot(hBox).Pixel(8, 8));
    SendMessageW(hBox, WM_MOUSELEAVE, 0, 0);

    // A stored state is answered back and drawn at the next paint; a click from 2 gives 1.
    EXPECT_EQ(0, SendMessageW(hBox, BM_SETCHECK, 2, 0));
    EXPECT_EQ(2, SendMessageW(hBox, BM_GETCHECK, 0, 0));
    SendMessageW(hBox, BM_CLICK, 0, 0);
    EXPECT_EQ(1, box.GetCheck());
    EnableWindow(hBox, FALSE);
    EXPECT_EQ(kChecked[3], CSnapshot(hBox).Pixel(8, 8));

    SetLogFile("");
    std::string strLog = ReadFileText(temp.File("check.log"));
    EXPECT_NE(std::string::npos, strLog.find("Checked 0\r\n"));
    EXPECT_NE(std::string::npos, strLog.find("Checked 1\r\n"));
}

TEST_F(SkinControlsTest, LabelFollowsHoverAndLeavesNoTraceOfALongerText) {
    CColorStatic label, plain;
    Place(IDC_PATH_BOOT_LABEL, label, 100, 200, 200, 16);
    Place(IDC_PATH_RUN_LABEL, plain, 100, 230, 200, 16);
    const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);
    for (CColorStatic* p : {&label, &plain}) {
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

TEST_F(SkinControlsTest, ProgressFillFollowsThePosition) {
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

TEST_F(SkinControlsTest, PathFieldSwallowsTypingAndColoursItsText) {
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
