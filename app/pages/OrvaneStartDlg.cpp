#include "OrvaneStartDlg.h"

#include <shellapi.h>

#include "InstallHost.h"
#include "Log.h"
#include "ProductInfoMgr.h"
#include "SkinDraw.h"
#include "SkinMath.h"
#include "StringUtil.h"
#include "resource.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSentenceColor = RGB(201, 116, 240);
constexpr COLORREF kLinkHoverColor = RGB(255, 116, 210);
constexpr int kImageInstall = 3;
constexpr int kImageInstallBlocked = 25;
constexpr int kSentenceTop = 379;

void Place(HWND hWnd, int nLeft, int nTop, int nRight, int nBottom) {
    ::MoveWindow(hWnd, nLeft, nTop, nRight - nLeft, nBottom - nTop, FALSE);
}

bool IsWebAddress(const std::string& strUrl) {
    return StartsWithNoCase(strUrl, "http://") || StartsWithNoCase(strUrl, "https://");
}

void SendHostCommand(IInstallHost& host, WORD nId) {
    ::SendMessageW(host.GetHostWindow(), WM_COMMAND, MAKEWPARAM(nId, 0), 0);
}

}  // namespace

COrvaneStartDlg::COrvaneStartDlg(IInstallHost& host) : CHostedPage(IDD_ORVANE_START, host) {}

void COrvaneStartDlg::SetAgreementChecked() {
    ::SendMessageW(m_chkAgree.GetHwnd(), BM_SETCHECK, BST_CHECKED, 0);
}

bool COrvaneStartDlg::IsAgreementChecked() const {
    return m_chkAgree.GetCheck() != 0;
}

BOOL COrvaneStartDlg::OnInitDialog() {
    MakeSkinnedWindow(GetHwnd());
    AttachAll({{IDC_START_TITLE, &m_title},
               {IDC_START_MIN, &m_btnMin},
               {IDC_START_CLOSE, &m_btnClose},
               {IDC_START_INSTALL, &m_btnInstall},
               {IDC_START_CUSTOM, &m_btnCustom},
               {IDC_START_AGREE, &m_chkAgree},
               {IDC_START_VIEW, &m_textBefore},
               {IDC_START_LICENSE, &m_link},
               {IDC_START_AND_INSTALL, &m_textAfter}});
    SetupTitleAndButtons();
    SetupSentence();
    if (m_tooltip.Create(GetHwnd())) {
        m_tooltip.AddTool(IDC_START_CLOSE, "关闭");
        m_tooltip.AddTool(IDC_START_MIN, "最小化");
    }
    RegisterCommands();
    return TRUE;
}

void COrvaneStartDlg::SetupTitleAndButtons() {
    std::string strName = CProductInfoMgr::Instance().GetDisplayName();
    ::SetWindowTextA(GetHwnd(), strName.c_str());
    ::SetWindowTextA(m_title.GetHwnd(), strName.c_str());
    m_title.SetTextColor(kWhite);
    m_title.SetTextFont(MakeFontDesc(12, FW_BOLD));
    Place(m_title.GetHwnd(), 31, 10, 200, 22);

    struct {
        CColorButton& button;
        int nImage;
        RECT rc;
    } buttons[] = {{m_btnMin, 5, {548, 10, 562, 24}},
                   {m_btnClose, 4, {574, 10, 588, 24}},
                   {m_btnInstall, kImageInstall, {175, 272, 425, 362}},
                   {m_btnCustom, 19, {524, 377, 590, 394}}};
    for (auto& row : buttons) {
        row.button.SetImageType(row.nImage);
        row.button.SetShowText(false);
        Place(row.button.GetHwnd(), row.rc.left, row.rc.top, row.rc.right, row.rc.bottom);
    }
    // Agreement is given by starting: the box is ticked and kept out of sight.
    Place(m_chkAgree.GetHwnd(), 180, 379, 194, 392);
    SetAgreementChecked();
    ::ShowWindow(m_chkAgree.GetHwnd(), SW_HIDE);
}

void COrvaneStartDlg::SetupSentence() {
    ::SetWindowTextA(m_textBefore.GetHwnd(), "查看\"");
    ::SetWindowTextA(m_link.GetHwnd(),
                     (CProductInfoMgr::Instance().GetCompanyName() + "软件许可协议").c_str());
    ::SetWindowTextA(m_textAfter.GetHwnd(), "\"并进行安装");
    for (CColorStatic* pPart : {&m_textBefore, &m_textAfter}) {
        pPart->SetTextColor(kSentenceColor);
        pPart->SetTextFont(MakeFontDesc(13));
    }
    m_link.SetTextColor(kSentenceColor);
    m_link.SetHoverColor(kLinkHoverColor);
    m_link.SetTextFont(MakeFontDesc(12, FW_NORMAL, true));
    m_link.SetHoverFont(MakeFontDesc(12, FW_NORMAL, true));
    m_link.SetHoverEnabled(true);

    // One line: each part as wide as its text, the link one pixel after the first part.
    int x = 5;
    for (CColorStatic* pPart : {&m_textBefore, &m_link, &m_textAfter}) {
        if (pPart == &m_link)
            x += 1;
        int nWidth = pPart->GetTextWidth();
        Place(pPart->GetHwnd(), x, kSentenceTop, x + nWidth, kSentenceTop + pPart->GetTextHeight());
        x += nWidth;
    }
}

void COrvaneStartDlg::RegisterCommands() {
    OnCommandId(IDC_START_INSTALL, [this] { OnInstall(); });
    OnCommandId(IDC_START_CUSTOM, [this] { OnCustomInstall(); });
    OnCommandId(IDC_START_AGREE, [this] { OnAgreementClicked(); });
    OnCommandId(IDC_START_LICENSE, [this] { OnLink(); });
    OnCommandId(IDC_START_MIN, [this] { ::ShowWindow(m_host.GetHostWindow(), SW_MINIMIZE); });
    OnCommandId(IDC_START_CLOSE, [this] { SendHostCommand(m_host, IDCANCEL); });
}

void COrvaneStartDlg::OnInstall() {
    if (IsAgreementChecked())
        SendHostCommand(m_host, ID_CMD_BEGIN_DOWNLOAD);
}

void COrvaneStartDlg::OnCustomInstall() {
    if (!IsAgreementChecked())
        return;
    ::SendMessageW(m_chkAgree.GetHwnd(), BM_SETCHECK, BST_UNCHECKED, 0);
    ::ShowWindow(GetHwnd(), SW_HIDE);
    m_host.ShowInstallPathPage();
}

void COrvaneStartDlg::OnAgreementClicked() {
    m_btnInstall.SetImageType(IsAgreementChecked() ? kImageInstall : kImageInstallBlocked);
    ::InvalidateRect(m_btnInstall.GetHwnd(), nullptr, TRUE);
}

// The address comes from the server: only a web address is opened, and in a window the user
// sees (the shell would run a program or open a file named there just as readily).
void COrvaneStartDlg::OnLink() {
    std::string strUrl = CProductInfoMgr::Instance().GetLicenseUrl();
    if (!IsWebAddress(strUrl))
        return;
    HINSTANCE hResult = ::ShellExecuteA(GetHwnd(), "open", strUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    LOGF(0, "ExecApp %s  [%d]\n", strUrl.c_str(), reinterpret_cast<INT_PTR>(hResult) > 32 ? 1 : 0);
}

void COrvaneStartDlg::OnEraseBackground(HDC hdc) {
    RECT rc = {};
    ::GetClientRect(GetHwnd(), &rc);
    ::SetBkMode(hdc, TRANSPARENT);
    DrawImageKey(hdc, 12, 0, 0, 0, rc.right, rc.bottom);
    DrawImageKey(hdc, 20, 0, 10, 3, 580, 354);
    DrawImageKey(hdc, 15, 0, 10, 7, 16, 16);
    DrawImageKey(hdc, 16, 0, 0, 364, 600, 2);
}

bool COrvaneStartDlg::OnPageMessage(UINT nMsg, WPARAM, LPARAM, LRESULT& result) {
    if (nMsg != WM_LBUTTONDBLCLK)
        return false;
    OnInstall();
    result = 0;
    return true;
}
