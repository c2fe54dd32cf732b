#include "HostedPage.h"

#include "InstallHost.h"
#include "SkinDraw.h"
#include "SkinMath.h"

namespace {
constexpr RECT kTitleRect = {31, 10, 200, 22};
// What the picture buttons of the chrome are called: their window texts (drawing shows only
// their pictures) and their tips.
const char kMinimiseName[] = "最小化";
const char kCloseName[] = "关闭";
}  // namespace

CHostedPage::CHostedPage(UINT nTemplateId, IInstallHost& host, const Chrome& chrome)
    : CDialogBase(nTemplateId), m_host(host), m_chrome(chrome) {}

std::vector<ControlRow> CHostedPage::ChromeControls(const char* pszTitle) {
    return {
        {m_chrome.nTitleId, &m_title, kTitleRect, 0, pszTitle, kBoldFont, kWhite},
        {m_chrome.nMinId, &m_btnMin, m_chrome.rcMin, kImageMinimiseButton, kMinimiseName, kNoFont, kNoColor},
        {m_chrome.nCloseId, &m_btnClose, m_chrome.rcClose, kImageCloseButton, kCloseName, kNoFont, kNoColor}};
}

BOOL CHostedPage::OnInitDialog() {
    HWND hPage = GetHwnd();
    MakeSkinnedWindow(hPage);
    const std::string& strTitle = m_host.GetPageTexts().strDisplayName;
    ::SetWindowTextA(hPage, strTitle.c_str());
    std::vector<ControlRow> rows = ChromeControls(strTitle.c_str());
    std::vector<ControlRow> own = PageControls();
    rows.insert(rows.end(), own.begin(), own.end());
    ApplyControlTable(*this, rows);
    if (m_tooltip.Create(hPage)) {
        if (m_chrome.bCloseTip)
            m_tooltip.AddTool(m_chrome.nCloseId, kCloseName);
        m_tooltip.AddTool(m_chrome.nMinId, kMinimiseName);
    }
    OnCommandId(m_chrome.nMinId, [this] { ::ShowWindow(m_host.GetHostWindow(), SW_MINIMIZE); });
    OnCommandId(m_chrome.nCloseId, [this] { OnClose(); });
    OnInitPage();
    return TRUE;
}

void CHostedPage::OnClose() {
    SendHostCommand(IDCANCEL);
}

void CHostedPage::SendHostCommand(WORD nId) {
    ::SendMessageW(m_host.GetHostWindow(), WM_COMMAND, MAKEWPARAM(nId, 0), 0);
}

void CHostedPage::EraseBackground(HDC hdc) {
    ::SetBkMode(hdc, TRANSPARENT);
    m_host.DrawBackgroundBehind(GetHwnd(), hdc);
    DrawPage(hdc);
    DrawImageKey(hdc, kImageIcon, 0, 10, 7, 16, 16);
}

bool CHostedPage::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (nMsg) {
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wParam));
            result = TRUE;
            return true;
        case WM_NCHITTEST:
            result = PageHitTest();
            return true;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            m_tooltip.RelayEvent(GetHwnd(), nMsg, wParam, lParam);
            break;
        default:
            break;
    }
    return OnPageMessage(nMsg, wParam, lParam, result);
}
