#include "OrvaneStartDlg.h"

#include <shellapi.h>

#include "InstallHost.h"
#include "Log.h"
#include "ServerField.h"
#include "SkinDraw.h"
#include "resource.h"

namespace {

constexpr COLORREF kSentenceColor = RGB(201, 116, 240);
constexpr COLORREF kLinkHoverColor = RGB(255, 116, 210);
constexpr FontSpec kSentenceFont = {13, FW_NORMAL, false};
constexpr FontSpec kLinkFont = {12, FW_NORMAL, true};
constexpr int kSentenceTop = 379;
const CHostedPage::Chrome kChrome = {IDC_START_TITLE,    IDC_START_MIN,      IDC_START_CLOSE,
                                     {548, 10, 562, 24}, {574, 10, 588, 24}, true};

}  // namespace

COrvaneStartDlg::COrvaneStartDlg(IInstallHost& host) : CHostedPage(IDD_ORVANE_START, host, kChrome) {}

void COrvaneStartDlg::SetAgreementChecked() {
    ::SendMessageW(m_chkAgree.GetHwnd(), BM_SETCHECK, BST_CHECKED, 0);
}

bool COrvaneStartDlg::IsAgreementChecked() const {
    return m_chkAgree.GetCheck() != 0;
}

std::vector<ControlRow> COrvaneStartDlg::PageControls() {
    m_strLinkText = m_host.GetPageTexts().strCompanyName + "软件许可协议";
    // The sentence's parts are placed by their widths once they have their fonts. The picture
    // buttons carry the words of their pictures as window texts, for screen readers.
    return {{IDC_START_INSTALL,
             &m_btnInstall,
             {175, 272, 425, 362},
             kImageInstallButton,
             "立即安装",
             kNoFont,
             kNoColor},
            {IDC_START_CUSTOM,
             &m_btnCustom,
             {524, 377, 590, 394},
             kImageCustomButton,
             "自定义安装",
             kNoFont,
             kNoColor},
            {IDC_START_AGREE, &m_chkAgree, {180, 379, 194, 392}, 0, nullptr, kNoFont, kNoColor},
            {IDC_START_VIEW, &m_textBefore, {}, 0, "查看\"", kSentenceFont, kSentenceColor},
            {IDC_START_LICENSE, &m_link, {}, 0, m_strLinkText.c_str(), kLinkFont, kSentenceColor},
            {IDC_START_AND_INSTALL, &m_textAfter, {}, 0, "\"并进行安装", kSentenceFont, kSentenceColor}};
}

void COrvaneStartDlg::OnInitPage() {
    // A single picture: drawn the same in every state.
    m_btnCustom.SetFixedNormal(true);
    // Agreement is given by starting: the box is ticked and kept out of sight.
    SetAgreementChecked();
    ::ShowWindow(m_chkAgree.GetHwnd(), SW_HIDE);
    m_link.SetHoverColor(kLinkHoverColor);
    m_link.SetHoverFont(MakeFontDesc(kLinkFont.nHeight, kLinkFont.nWeight, kLinkFont.bUnderline));
    m_link.SetHoverEnabled(true);
    LayoutSentence();
    OnCommandId(IDC_START_INSTALL, [this] { OnInstall(); });
    OnCommandId(IDC_START_CUSTOM, [this] { OnCustomInstall(); });
    OnCommandId(IDC_START_AGREE, [this] { OnAgreementClicked(); });
    OnCommandId(IDC_START_LICENSE, [this] { OnLink(); });
}

// One line: each part as wide as its text, the link one pixel after the first part.
void COrvaneStartDlg::LayoutSentence() {
    int x = 5;
    for (CColorStatic* pPart : {&m_textBefore, &m_link, &m_textAfter}) {
        if (pPart == &m_link)
            x += 1;
        int nWidth = pPart->GetTextWidth();
        Place(pPart->GetHwnd(), {x, kSentenceTop, x + nWidth, kSentenceTop + pPart->GetTextHeight()});
        x += nWidth;
    }
}

void COrvaneStartDlg::OnInstall() {
    if (IsAgreementChecked())
        SendHostCommand(ID_CMD_BEGIN_DOWNLOAD);
}

void COrvaneStartDlg::OnCustomInstall() {
    if (!IsAgreementChecked())
        return;
    ::SendMessageW(m_chkAgree.GetHwnd(), BM_SETCHECK, BST_UNCHECKED, 0);
    ::ShowWindow(GetHwnd(), SW_HIDE);
    m_host.ShowInstallPathPage();
}

void COrvaneStartDlg::OnAgreementClicked() {
    m_btnInstall.SetImageType(IsAgreementChecked() ? kImageInstallButton : kImageInstallBlocked);
    ::InvalidateRect(m_btnInstall.GetHwnd(), nullptr, TRUE);
}

// The address comes from the server: only a web address is opened, and in a window the user
// sees (the shell would run a program or open a file named there just as readily).
void COrvaneStartDlg::OnLink() {
    const std::string& strUrl = m_host.GetPageTexts().strLicenseUrl;
    if (!AcceptWebAddress("licenseUrl", strUrl))
        return;
    HINSTANCE hResult = ::ShellExecuteA(GetHwnd(), "open", strUrl.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    LOGF(0, "ExecApp %s  [%d]\n", strUrl.c_str(), reinterpret_cast<INT_PTR>(hResult) > 32 ? 1 : 0);
}

void COrvaneStartDlg::DrawPage(HDC hdc) {
    DrawImageKey(hdc, kImageStartPicture, 0, 10, 3, 580, 354);
    DrawImageKey(hdc, kImageSeparator, 0, 0, 364, 600, 2);
}

bool COrvaneStartDlg::OnPageMessage(UINT nMsg, WPARAM, LPARAM, LRESULT& result) {
    if (nMsg != WM_LBUTTONDBLCLK)
        return false;
    OnInstall();
    result = 0;
    return true;
}
