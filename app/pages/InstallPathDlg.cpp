#include "InstallPathDlg.h"

#include <shlobj.h>

#include "FolderBrowser.h"
#include "InstallHost.h"
#include "InstallPathRules.h"
#include "KavvikMsgBoxDlg.h"
#include "Path.h"
#include "SkinDraw.h"
#include "SkinMath.h"
#include "resource.h"

namespace {

const CHostedPage::Chrome kChrome = {IDC_PATH_TITLE,     IDC_PATH_MIN,       IDC_PATH_CLOSE,
                                     {548, 10, 562, 24}, {574, 10, 588, 24}, true};

bool IsChecked(const CColorCheckButton& box) {
    return box.GetCheck() != 0;
}

// The rectangle of a child window in its parent's client co-ordinates.
RECT ChildRect(HWND hChild) {
    RECT rc = {};
    ::GetWindowRect(hChild, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(hChild), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

bool Contains(const RECT& rcOuter, const RECT& rcInner) {
    return rcInner.left >= rcOuter.left && rcInner.top >= rcOuter.top && rcInner.right <= rcOuter.right &&
           rcInner.bottom <= rcOuter.bottom;
}

}  // namespace

CInstallPathDlg::CInstallPathDlg(IInstallHost& host) : CHostedPage(IDD_INSTALLPATH, host, kChrome) {}

char CInstallPathDlg::ProposeDriveLetter() {
    return ::ProposeDriveLetter();
}

std::string CInstallPathDlg::GetFolderText() const {
    char szText[MAX_PATH * 2] = {};
    ::GetWindowTextA(m_editFolder.GetHwnd(), szText, static_cast<int>(sizeof(szText)));
    return szText;
}

std::vector<ControlRow> CInstallPathDlg::PageControls() {
    m_bPinShown = IsPinOptionShown();
    InstallPathLayout layout = ComputeInstallPathLayout(m_bPinShown);
    // The labels keep the template's texts and are placed beside their boxes by their widths.
    // The picture buttons carry the words of their pictures as window texts, for screen readers.
    return {{IDOK, &m_btnInstall, {175, 258, 425, 348}, kImageInstallButton, "立即安装", kNoFont, kNoColor},
            {IDC_PATH_EDIT, &m_editFolder, layout.rcFolder, 0, nullptr, kTextFont, kNoColor},
            {IDC_PATH_BROWSE, &m_btnBrowse, layout.rcBrowse, kImageSmallButton, nullptr, kTextFont,
             kButtonTextColor},
            {IDC_PATH_BOOT, &m_chkBoot, layout.rcBootBox, 0, nullptr, kNoFont, kNoColor},
            {IDC_PATH_BOOT_LABEL, &m_lblBoot, {}, 0, nullptr, kTextFont, kWhite},
            {IDC_PATH_PIN, &m_chkPin, layout.rcPinBox, 0, nullptr, kNoFont, kNoColor},
            {IDC_PATH_PIN_LABEL, &m_lblPin, {}, 0, nullptr, kTextFont, kWhite},
            {IDC_PATH_RUN, &m_chkStart, layout.rcStartBox, 0, nullptr, kNoFont, kNoColor},
            {IDC_PATH_RUN_LABEL, &m_lblStart, {}, 0, nullptr, kTextFont, kWhite},
            {IDC_PATH_REMIND, &m_chkReminder, layout.rcReminderBox, 0, nullptr, kNoFont, kNoColor},
            {IDC_PATH_REMIND_LABEL, &m_lblReminder, {}, 0, nullptr, kTextFont, kWhite},
            {IDC_PATH_BACK, &m_btnBack, {16, 375, 66, 394}, kImageBackButton, "返回", kNoFont, kNoColor}};
}

void CInstallPathDlg::OnInitPage() {
    struct {
        CColorCheckButton& box;
        CColorStatic& label;
    } rows[] = {{m_chkBoot, m_lblBoot},
                {m_chkPin, m_lblPin},
                {m_chkStart, m_lblStart},
                {m_chkReminder, m_lblReminder}};
    for (auto& row : rows) {
        Place(row.label.GetHwnd(), LabelBesideBox(ChildRect(row.box.GetHwnd()), row.label.GetTextWidth()));
        CopyWindowText(row.label.GetHwnd(), row.box.GetHwnd());
        ::SendMessageW(row.box.GetHwnd(), BM_SETCHECK, BST_CHECKED, 0);
    }
    int nPinShow = m_bPinShown ? SW_SHOW : SW_HIDE;
    ::ShowWindow(m_chkPin.GetHwnd(), nPinShow);
    ::ShowWindow(m_lblPin.GetHwnd(), nPinShow);
    const PageTexts& texts = m_host.GetPageTexts();
    std::string strFolder = ProposedInstallFolder(m_host.GetInstallDir(), texts.strProductName);
    ::SetWindowTextA(m_editFolder.GetHwnd(), strFolder.c_str());
    RegisterCommands();
}

void CInstallPathDlg::RegisterCommands() {
    OnCommandId(IDOK, [this] { OnInstall(); });
    OnCommandId(IDC_PATH_BROWSE, [this] { OnBrowse(); });
    OnCommandId(IDC_PATH_BACK, [this] { OnBack(); });
}

void CInstallPathDlg::OnBrowse() {
    const PageTexts& texts = m_host.GetPageTexts();
    CFolderBrowser browser(GetHwnd(), BrowseTitle(texts.strUninstallKeyName), GetFolderText());
    browser.SetOptions(BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE);
    browser.Show();
    std::string strFolder = CompleteBrowsedFolder(browser.GetFolder(), texts.strProductName);
    if (!strFolder.empty())
        ::SetWindowTextA(m_editFolder.GetHwnd(), strFolder.c_str());
}

void CInstallPathDlg::OnInstall() {
    std::string strFolder = CompleteInstallFolder(GetFolderText(), m_host.GetPageTexts().strProductName);
    CreateDirectoryChain(AddBackslash(strFolder) + "Install");
    if (!ConfirmFreeSpace(strFolder) || !ConfirmClientClosed())
        return;
    HandOver(strFolder);
}

bool CInstallPathDlg::ConfirmFreeSpace(const std::string& strFolder) {
    while (!HasEnoughFreeSpace(GetFolderFreeBytes(strFolder))) {
        int nAnswer = ShowMsgBox(GetHwnd(), kFreeSpaceText, kFreeSpaceRetry, kFreeSpaceOther);
        switch (FreeSpaceAnswerStep(nAnswer)) {
            case FreeSpaceStep::kCheckAgain:
                continue;
            case FreeSpaceStep::kBrowse:
                ::SendMessageW(GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_PATH_BROWSE, 0), 0);
                return false;
            case FreeSpaceStep::kStay:
                return false;
        }
    }
    return true;
}

bool CInstallPathDlg::ConfirmClientClosed() {
    while (m_host.IsClientRunning()) {
        std::string strText = RunningClientText(m_host.GetPageTexts().strCompanyName);
        int nAnswer = ShowMsgBox(GetHwnd(), strText.c_str(), nullptr, kCloseClientCaption);
        switch (RunningClientAnswerStep(nAnswer)) {
            case RunningClientStep::kCheckAgain:
                continue;
            case RunningClientStep::kCloseClient:
                m_host.CloseClient();
                return false;
            case RunningClientStep::kStay:
                return false;
        }
    }
    return true;
}

void CInstallPathDlg::HandOver(const std::string& strFolder) {
    m_host.SetAutoStart(IsChecked(m_chkBoot));
    m_host.SetAnchorReminder(IsChecked(m_chkReminder));
    m_host.SetRunAfterInstall(IsChecked(m_chkStart));
    if (m_bPinShown)
        m_host.SetPinTaskbar(IsChecked(m_chkPin));
    m_host.SetInstallPath(strFolder);
    SendHostCommand(ID_CMD_BEGIN_DOWNLOAD);
}

void CInstallPathDlg::OnBack() {
    ::ShowWindow(GetHwnd(), SW_HIDE);
    m_host.ShowStartPage();
}

void CInstallPathDlg::DrawPage(HDC hdc) {
    DrawImageKey(hdc, kImageSeparator, 0, 0, 364, 600, 2);
}

// The page paints nothing itself; the big buttons are repainted over a fresh
// background.
void CInstallPathDlg::OnPaintArea(const RECT& rcPaint) {
    for (CColorButton* pButton : {&m_btnBrowse, &m_btnInstall}) {
        if (Contains(rcPaint, ChildRect(pButton->GetHwnd())))
            ::InvalidateRect(pButton->GetHwnd(), nullptr, TRUE);
    }
}

bool CInstallPathDlg::OnPageMessage(UINT nMsg, WPARAM, LPARAM, LRESULT& result) {
    if (nMsg != WM_PAINT)
        return false;
    RECT rcPaint = {};
    {
        CPaintDc dc(GetHwnd());
        rcPaint = dc.Paint().rcPaint;
    }
    OnPaintArea(rcPaint);
    result = 0;
    return true;
}
