#include "ProgressDlg.h"

#include <commctrl.h>

#include "InstallHost.h"
#include "ProductInfoMgr.h"
#include "SkinDraw.h"
#include "resource.h"

namespace {
constexpr int kSlideImage = 18;
constexpr int kIconImage = 15;
constexpr int kMinimiseImage = 5;
constexpr int kCloseImage = 4;
constexpr RECT kIconRect = {10, 7, 26, 23};
constexpr RECT kSlideRect = {10, 3, 590, 357};
constexpr COLORREF kStatusColor = RGB(186, 77, 216);
constexpr COLORREF kTitleColor = RGB(255, 255, 255);

void Place(HWND hWnd, int nLeft, int nTop, int nRight, int nBottom) {
    ::MoveWindow(hWnd, nLeft, nTop, nRight - nLeft, nBottom - nTop, FALSE);
}
}  // namespace

CProgressDlg::CProgressDlg(IInstallHost& host) : CDialogBase(IDD_PROGRESS), m_host(host) {}

BOOL CProgressDlg::OnInitDialog() {
    MakeSkinnedWindow(GetHwnd());
    AttachAll({{IDC_PROGRESS_BAR, &m_progress},
               {IDC_PROGRESS_STATUS, &m_status},
               {IDC_PROGRESS_DOTS, &m_dots},
               {IDC_PROGRESS_MIN, &m_btnMin},
               {IDC_PROGRESS_CLOSE, &m_btnClose},
               {IDC_PROGRESS_TITLE, &m_title}});
    ConfigureTexts();
    m_btnMin.SetImageType(kMinimiseImage);
    m_btnClose.SetImageType(kCloseImage);
    m_btnMin.SetShowText(false);
    m_btnClose.SetShowText(false);
    CreateTooltip();
    HWND hDlg = GetHwnd();
    ::SetWindowLongPtrW(hDlg, GWL_STYLE, ::GetWindowLongPtrW(hDlg, GWL_STYLE) | WS_MINIMIZEBOX | WS_SYSMENU);
    Layout();
    m_progress.SetRange(0, 100);

    OnCommandId(IDC_PROGRESS_MIN, [this] { ::ShowWindow(m_host.GetHostWindow(), SW_MINIMIZE); });
    OnCommandId(IDC_PROGRESS_CLOSE,
                [this] { ::SendMessageW(m_host.GetHostWindow(), WM_COMMAND, ID_CMD_CLOSE_RUN, 0); });
    return TRUE;
}

void CProgressDlg::ConfigureTexts() {
    std::string strName = CProductInfoMgr::Instance().GetDisplayName();
    ::SetWindowTextA(GetHwnd(), strName.c_str());
    ::SetWindowTextA(m_title.GetHwnd(), strName.c_str());
    LOGFONTA font = MakeFontDesc(12, FW_BOLD);
    m_title.SetTextColor(kTitleColor);
    m_title.SetTextFont(font);
    ::SetWindowTextA(m_status.GetHwnd(), "正在安装视频资源");
    ::SetWindowTextA(m_dots.GetHwnd(), "......");
    for (CColorStatic* pText : {&m_status, &m_dots}) {
        pText->SetTextColor(kStatusColor);
        pText->SetTextFont(font);
    }
}

void CProgressDlg::Layout() {
    Place(m_title.GetHwnd(), 31, 10, 200, 22);
    Place(m_btnClose.GetHwnd(), 580, 10, 590, 24);
    Place(m_btnMin.GetHwnd(), 574, 10, 588, 24);
    // One pixel wider than the page on each side, 38 pixels above its bottom.
    Place(m_progress.GetHwnd(), -1, 350, 601, 362);
    int nStatusRight = 10 + m_status.GetTextWidth();
    Place(m_status.GetHwnd(), 10, 372, nStatusRight, 384);
    ::ShowWindow(m_status.GetHwnd(), SW_SHOW);
    Place(m_dots.GetHwnd(), nStatusRight, 368, nStatusRight + m_dots.GetTextWidth(), 380);
}

void CProgressDlg::CreateTooltip() {
    // The tooltip follows the button's own mouse messages (subclassing), since the page
    // itself lets the mouse through to the main dialog.
    m_hTooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetHwnd(),
                                   nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!m_hTooltip)
        return;
    TOOLINFOA tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetHwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(m_btnMin.GetHwnd());
    tool.lpszText = const_cast<char*>("最小化");
    ::SendMessageA(m_hTooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageA(m_hTooltip, TTM_ACTIVATE, TRUE, 0);
}

void CProgressDlg::EraseBackground(HDC hdc) {
    ::SetBkMode(hdc, TRANSPARENT);
    m_host.DrawBackgroundBehind(GetHwnd(), hdc);
    DrawImageKey(hdc, kSlideImage, static_cast<UINT>(m_nCurrentSlide), kSlideRect.left, kSlideRect.top,
                 kSlideRect.right - kSlideRect.left, kSlideRect.bottom - kSlideRect.top);
    DrawImageKey(hdc, kIconImage, 0, kIconRect.left, kIconRect.top, kIconRect.right - kIconRect.left,
                 kIconRect.bottom - kIconRect.top);
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
    ::SendMessageW(hDlg, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memDc.Get()), 0);
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

bool CProgressDlg::OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (nMsg) {
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wParam));
            result = TRUE;
            return true;
        case WM_NCHITTEST:
            // The main dialog under the page decides about dragging.
            result = HTTRANSPARENT;
            return true;
        default:
            return false;
    }
}
