#include "ProgressDlg.h"

#include <commctrl.h>

#include "InstallHost.h"
#include "SkinDraw.h"
#include "SubclassedWindow.h"
#include "resource.h"

namespace {
constexpr RECT kSlideRect = {10, 3, 590, 357};
constexpr COLORREF kStatusColor = RGB(186, 77, 216);
// The close button lies over the minimise button's right part, as the page was designed.
const CHostedPage::Chrome kChrome = {IDC_PROGRESS_TITLE, IDC_PROGRESS_MIN,   IDC_PROGRESS_CLOSE,
                                     {574, 10, 588, 24}, {580, 10, 590, 24}, false};
}  // namespace

CProgressDlg::CProgressDlg(IInstallHost& host) : CHostedPage(IDD_PROGRESS, host, kChrome) {}

std::vector<ControlRow> CProgressDlg::PageControls() {
    // The bar is one pixel wider than the page on each side, 38 pixels above its bottom; the
    // texts are placed by their widths once they have their fonts.
    return {{IDC_PROGRESS_BAR, &m_progress, {-1, 350, 601, 362}, 0, nullptr, kNoFont, kNoColor},
            {IDC_PROGRESS_STATUS, &m_status, {}, 0, "正在安装视频资源", kBoldFont, kStatusColor},
            {IDC_PROGRESS_DOTS, &m_dots, {}, 0, "......", kBoldFont, kStatusColor}};
}

void CProgressDlg::OnInitPage() {
    HWND hPage = GetHwnd();
    ::SetWindowLongPtrW(hPage, GWL_STYLE,
                        ::GetWindowLongPtrW(hPage, GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);
    int nStatusRight = 10 + m_status.GetTextWidth();
    Place(m_status.GetHwnd(), {10, 372, nStatusRight, 384});
    ::ShowWindow(m_status.GetHwnd(), SW_SHOW);
    Place(m_dots.GetHwnd(), {nStatusRight, 368, nStatusRight + m_dots.GetTextWidth(), 380});
    m_progress.SetRange(0, 100);
}

void CProgressDlg::OnClose() {
    SendHostCommand(ID_CMD_CLOSE_RUN);
}

void CProgressDlg::DrawPage(HDC hdc) {
    DrawImageKey(hdc, kImageSlide, static_cast<UINT>(m_nCurrentSlide), kSlideRect.left, kSlideRect.top,
                 kSlideRect.right - kSlideRect.left, kSlideRect.bottom - kSlideRect.top);
}

void CProgressDlg::RepaintSlide() {
    HWND hDlg = GetHwnd();
    RECT rc = {};
    if (!hDlg || !::GetClientRect(hDlg, &rc) || rc.right <= 0 || rc.bottom <= 0)
        return;
    CWindowDc screen(hDlg);
    CMemoryDc memDc(::CreateCompatibleDC(screen.Get()));
    CBitmapHandle bitmap(::CreateCompatibleBitmap(screen.Get(), rc.right, rc.bottom));
    if (!screen.Get() || !memDc || !bitmap)
        return;
    CSelectObject selectBitmap(memDc.Get(), bitmap.Get());
    EraseBackground(memDc.Get());
    for (CSubclassedWindow* pControl :
         std::initializer_list<CSubclassedWindow*>{&m_title, &m_status, &m_dots, &m_btnMin, &m_btnClose})
        CompositeControl(*pControl, memDc.Get());
    ::BitBlt(screen.Get(), 0, 0, rc.right, rc.bottom, memDc.Get(), 0, 0, SRCCOPY);
}

void CProgressDlg::SetProgress(int nValue) {
    if (::IsIconic(m_host.GetHostWindow()))
        return;
    m_progress.SetPos(nValue);
    for (CSubclassedWindow* pControl :
         std::initializer_list<CSubclassedWindow*>{&m_progress, &m_status, &m_dots, &m_btnMin, &m_btnClose})
        ::InvalidateRect(pControl->GetHwnd(), nullptr, TRUE);
}

int CProgressDlg::GetProgress() const {
    return static_cast<int>(::SendMessageW(m_progress.GetHwnd(), PBM_GETPOS, 0, 0));
}
