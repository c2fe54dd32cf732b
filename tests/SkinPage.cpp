#include "SkinPage.h"

#include "ImageKeys.h"
#include "SkinDraw.h"
#include "SubclassedWindow.h"
#include "resource.h"

CBackgroundPage::CBackgroundPage() : CDialogBase(IDD_INSTALLPATH) {}

bool CBackgroundPage::OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (nMsg != WM_ERASEBKGND)
        return false;
    RECT rc = {};
    GetClientRect(GetHwnd(), &rc);
    DrawImageKey(reinterpret_cast<HDC>(wParam), kImageBackground, 0, 0, 0, rc.right, rc.bottom);
    result = TRUE;
    return true;
}

CGdiplusSession* SkinPageTest::s_pGdiplus = nullptr;
CDialogBase* SkinPageTest::s_pHost = nullptr;
CBackgroundPage* SkinPageTest::s_pPage = nullptr;

void SkinPageTest::SetUpTestSuite() {
    s_pGdiplus = new CGdiplusSession;
    s_pHost = new CDialogBase(IDD_ORVANE_DIALOG);
    s_pPage = new CBackgroundPage;
    if (s_pHost->Create(nullptr)) {
        SetWindowPos(s_pHost->GetHwnd(), HWND_TOP, 0, 0, 600, 400, SWP_SHOWWINDOW);
        if (s_pPage->Create(s_pHost->GetHwnd()))
            SetWindowPos(s_pPage->GetHwnd(), HWND_TOP, 0, 0, 600, 400, SWP_SHOWWINDOW);
    }
}

void SkinPageTest::TearDownTestSuite() {
    delete s_pPage;
    delete s_pHost;
    delete s_pGdiplus;
    s_pPage = nullptr;
    s_pHost = nullptr;
    s_pGdiplus = nullptr;
}

void SkinPageTest::SetUp() {
    m_images.AddWhole(kImageBackground, 0, 600, 400, kBackground);
    m_images.AddStrip(kImageSmallButton, 60, 28, kButton);
    m_images.AddStrip(kImageUnchecked, 16, 16, kUnchecked);
    m_images.AddStrip(kImageChecked, 16, 16, kChecked);
    m_images.AddWhole(kImageProgress, kProgressTrack, 598, 8, kTrack);
    m_images.AddWhole(kImageProgress, kProgressFill, 598, 6, kFill);
    ASSERT_NE(nullptr, m_page.GetHwnd());
    PumpMessages(20);
}

void SkinPageTest::Place(int nId, CSubclassedWindow& control, int x, int y, int cx, int cy) {
    ASSERT_TRUE(m_page.Attach(nId, control));
    MoveWindow(control.GetHwnd(), x, y, cx, cy, TRUE);
}

bool IsHandCursor() {
    return GetCursor() == LoadCursor(nullptr, IDC_HAND);
}
