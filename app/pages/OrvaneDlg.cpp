#include "OrvaneDlg.h"

#include "ImageMgr.h"
#include "KavvikMsgBoxDlg.h"
#include "Log.h"
#include "MainDialogRules.h"
#include "ProductInfoMgr.h"
#include "SkinMath.h"
#include "resource.h"

namespace {
constexpr UINT_PTR kSlideTimer = 0;
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kSlideMs = 4000;
constexpr UINT kPollMs = 100;
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 400;

CProductInfoMgr& Config() {
    return CProductInfoMgr::Instance();
}

// The point that centres a window of cx x cy in the work area of the monitor it is on.
POINT CentredInWorkArea(HWND hWnd, int cx, int cy) {
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetMonitorInfoW(::MonitorFromWindow(hWnd, MONITOR_DEFAULTTOPRIMARY), &info))
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
    return CentredOrigin(info.rcWork, cx, cy);
}
}  // namespace

COrvaneDlg::COrvaneDlg()
    : CDialogBase(IDD_ORVANE_DIALOG),
      m_run(CProductInfoMgr::Instance()),
      m_choices(m_run.GetChoices()),
      m_installPathPage(*this),
      m_startPage(*this),
      m_progressPage(*this),
      m_finishPage(*this) {
    m_hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

BOOL COrvaneDlg::OnInitDialog() {
    const CProductInfoMgr& mgr = Config();
    m_texts = {mgr.GetDisplayName(), mgr.GetCompanyName(), mgr.GetProductName(), mgr.GetLicenseUrl(),
               mgr.GetUninstallKeyName()};
    SetupWindow();
    ::SendMessageW(GetHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(GetHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    RegisterCommands();
    CreatePages();
    // The download begins before the dialog is first shown.
    ::SendMessageW(GetHwnd(), WM_COMMAND, ID_CMD_BEGIN_DOWNLOAD, 0);
    return TRUE;
}

void COrvaneDlg::SetupWindow() {
    HWND hDlg = GetHwnd();
    ::SetWindowLongPtrW(hDlg, GWL_EXSTYLE, ::GetWindowLongPtrW(hDlg, GWL_EXSTYLE) | WS_EX_LAYERED);
    // No platform caption or frame: the pages draw the whole window (a template caption
    // text makes the resource compiler add the caption style).
    LONG_PTR nStyle =
        (::GetWindowLongPtrW(hDlg, GWL_STYLE) & ~(WS_CAPTION | WS_THICKFRAME)) | WS_MINIMIZEBOX | WS_SYSMENU;
    ::SetWindowLongPtrW(hDlg, GWL_STYLE, nStyle);
    if (HMENU hMenu = ::GetSystemMenu(hDlg, FALSE))
        ::EnableMenuItem(hMenu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
    ::SetLayeredWindowAttributes(hDlg, RGB(255, 0, 255), 0, LWA_COLORKEY);
    ::SetWindowTextA(hDlg, m_texts.strDisplayName.c_str());
    RECT rc = {0, 0, kClientWidth, kClientHeight};
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(nStyle), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(hDlg, GWL_EXSTYLE)));
    // The template does not place the window: it opens in the middle of the work area.
    POINT pt = CentredInWorkArea(hDlg, rc.right - rc.left, rc.bottom - rc.top);
    ::SetWindowPos(hDlg, nullptr, pt.x, pt.y, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void COrvaneDlg::CreatePages() {
    CreatePage(m_startPage, false);
    CreatePage(m_installPathPage, false);
    CreatePage(m_progressPage, true);
    CreatePage(m_finishPage, false);
}

std::vector<OfferChoice> COrvaneDlg::GetRecommendOffers() const {
    const CProductInfoMgr& mgr = Config();
    std::vector<OfferChoice> offers;
    for (size_t i = 0; i < mgr.GetRecommendCount(); ++i)
        offers.push_back({mgr.GetRecommendName(i), mgr.GetRecommendStatus(i)});
    return offers;
}

OfferChoice COrvaneDlg::GetHomePageOffer() const {
    return {Config().GetHomePageDisplayName(), Config().GetHomePageStatus()};
}

bool COrvaneDlg::IsClientRunning() const {
    return Config().IsProductRunning();
}

void COrvaneDlg::CloseClient() {
    Config().KillProductProcesses();
}

void COrvaneDlg::CreatePage(CDialogBase& page, bool bShow) {
    if (!page.Create(GetHwnd()))
        return;
    ::MoveWindow(page.GetHwnd(), 0, 0, kClientWidth, kClientHeight, FALSE);
    ::ShowWindow(page.GetHwnd(), bShow ? SW_SHOW : SW_HIDE);
}

void COrvaneDlg::RegisterCommands() {
    OnCommandId(ID_CMD_BEGIN_DOWNLOAD, [this] { OnCmdBeginDownload(); });
    OnCommandId(ID_CMD_INSTALLER_EXITED, [this] { OnCmdInstallFinished(); });
    OnCommandId(ID_CMD_FINISH_START, [this] { OnCmdStart(); });
    OnCommandId(ID_CMD_CLOSE_RUN, [this] { EndDialog(IDCANCEL); });
}

void COrvaneDlg::ShowInstallPathPage() {
    ::ShowWindow(m_installPathPage.GetHwnd(), SW_SHOW);
}

void COrvaneDlg::ShowStartPage() {
    ::ShowWindow(m_startPage.GetHwnd(), SW_SHOW);
    m_startPage.SetAgreementChecked();
}

void COrvaneDlg::SetRecommend(int nIndex, BOOL bValue) {
    if (nIndex >= 0 && nIndex < CRecommendInstaller::kMaxChoices)
        m_choices.bRecommend[nIndex] = bValue ? 1 : 0;
}

void COrvaneDlg::OnCmdBeginDownload() {
    // Once per run: the start and install-path pages may send it after initialisation has.
    if (m_run.GetState() != CInstallRun::kCreated)
        return;
    ::ShowWindow(m_startPage.GetHwnd(), SW_HIDE);
    ::ShowWindow(m_installPathPage.GetHwnd(), SW_HIDE);
    HWND hProgress = m_progressPage.GetHwnd();
    ::ShowWindow(hProgress, SW_SHOW);
    ::UpdateWindow(hProgress);
    m_progressPage.SetProgress(1);
    m_run.BeginDownload();
    NextSlide();
    ::SetTimer(GetHwnd(), kSlideTimer, kSlideMs, nullptr);
    ::SetTimer(GetHwnd(), kPollTimer, kPollMs, nullptr);
    m_run.StartInstallerOrDownload();
}

void COrvaneDlg::NextSlide() {
    if (::IsIconic(GetHwnd()))
        return;
    int nCount = CImageMgr::Instance().GetSlideCount();
    if (nCount == 0)
        return;
    m_nCurImage = NextSlideIndex(m_nCurImage, nCount);
    m_progressPage.SetCurrentSlide(m_nCurImage);
    LOGF(0, "nCount=%d,currentImage=%d \n", nCount, m_nCurImage);
    m_progressPage.RepaintSlide();
}

void COrvaneDlg::PollProgress() {
    CInstallRun::PollResult poll = m_run.Poll();
    if (poll.nProgress >= 0)
        m_progressPage.SetProgress(poll.nProgress);
    if (poll.bInstallerExited) {
        ::SendMessageW(GetHwnd(), WM_COMMAND, ID_CMD_INSTALLER_EXITED, 0);
    } else if (poll.bFailed) {
        // The slideshow goes on behind the message.
        ::KillTimer(GetHwnd(), kPollTimer);
        if (poll.pszMessage)
            ShowMsgBox(GetHwnd(), poll.pszMessage);
        EndDialog(IDCANCEL);
    }
}

void COrvaneDlg::OnCmdInstallFinished() {
    if (!m_run.FinishInstall())
        return;
    ::ShowWindow(m_installPathPage.GetHwnd(), SW_HIDE);
    ::ShowWindow(m_progressPage.GetHwnd(), SW_HIDE);
    ::KillTimer(GetHwnd(), kSlideTimer);
    ::KillTimer(GetHwnd(), kPollTimer);
    ::ShowWindow(m_finishPage.GetHwnd(), SW_SHOW);
}

void COrvaneDlg::OnCmdStart() {
    // The run owns the recommended-install worker and waits for it in WaitForRecommended.
    m_run.FinishRun();
}

bool COrvaneDlg::GetBackgroundSlice(const RECT& rcScreen, ImageEntry& entry) const {
    HWND hDlg = GetHwnd();
    RECT rcClient = {};
    if (!hDlg || !::GetClientRect(hDlg, &rcClient))
        return false;
    ImageEntry background;
    if (!CImageMgr::Instance().GetImage(kImageBackground, 0, background))
        return false;
    RECT rc = rcScreen;
    ::MapWindowPoints(HWND_DESKTOP, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    return ComputeBackgroundSlice(rc, rcClient.right, rcClient.bottom, background, entry);
}

bool COrvaneDlg::OnHitTest(LPARAM lParam, LRESULT& result) {
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ScreenToClient(GetHwnd(), &pt);
    result = TopStripHitTest(::DefWindowProcW(GetHwnd(), WM_NCHITTEST, 0, lParam), pt.y, kTitleBandHeight);
    return true;
}

void COrvaneDlg::OnPaint() {
    CPaintDc dc(GetHwnd());
    if (!::IsIconic(GetHwnd()))
        return;
    RECT rc = {};
    ::GetClientRect(GetHwnd(), &rc);
    int x = (rc.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rc.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc.Get(), x, y, m_hIcon);
}

bool COrvaneDlg::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (nMsg) {
        case WM_PAINT:
            OnPaint();
            result = 0;
            return true;
        case WM_ERASEBKGND:
            result = TRUE;  // the pages draw everything
            return true;
        case WM_TIMER:
            if (wParam == kSlideTimer)
                NextSlide();
            else if (wParam == kPollTimer)
                PollProgress();
            else
                return false;
            result = 0;
            return true;
        case WM_NCHITTEST:
            return OnHitTest(lParam, result);
        case WM_QUERYDRAGICON:
            result = reinterpret_cast<LRESULT>(m_hIcon);
            return true;
        default:
            return false;
    }
}
