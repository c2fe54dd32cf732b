#include "InstallPathDlg.h"

#include <shlobj.h>

#include "FolderBrowser.h"
#include "InstallHost.h"
#include "InstallPathRules.h"
#include "KavvikMsgBoxDlg.h"
#include "Path.h"
#include "ProductInfoMgr.h"
#include "SkinDraw.h"
#include "SkinMath.h"
#include "resource.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

void Place(HWND hWnd, const RECT& rc) {
    ::MoveWindow(hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
}

void SendCommand(HWND hWnd, WORD nId) {
    ::SendMessageW(hWnd, WM_COMMAND, MAKEWPARAM(nId, 0), 0);
}

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

CInstallPathDlg::CInstallPathDlg(IInstallHost& host) : CHostedPage(IDD_INSTALLPATH, host) {}

char CInstallPathDlg::ProposeDriveLetter() {
    return ::ProposeDriveLetter();
}

std::string CInstallPathDlg::GetFolderText() const {
    char szText[MAX_PATH * 2] = {};
    ::GetWindowTextA(m_editFolder.GetHwnd(), szText, static_cast<int>(sizeof(szText)));
    return szText;
}

BOOL CInstallPathDlg::OnInitDialog() {
    MakeSkinnedWindow(GetHwnd());
    AttachControls();
    SetupControls();
    m_bPinShown = IsPinOptionShown();
    LayoutControls();
    SetupTooltips();
    for (CColorCheckButton* pBox : {&m_chkBoot, &m_chkPin, &m_chkStart, &m_chkReminder})
        ::SendMessageW(pBox->GetHwnd(), BM_SETCHECK, BST_CHECKED, 0);
    const CProductInfoMgr& mgr = CProductInfoMgr::Instance();
    std::string strFolder = ProposedInstallFolder(m_host.GetInstallDir(), mgr.GetProductName());
    ::SetWindowTextA(m_editFolder.GetHwnd(), strFolder.c_str());
    RegisterCommands();
    return TRUE;
}

void CInstallPathDlg::AttachControls() {
    AttachAll({{IDOK, &m_btnInstall},
               {IDC_PATH_EDIT, &m_editFolder},
               {IDC_PATH_BROWSE, &m_btnBrowse},
               {IDC_PATH_BOOT, &m_chkBoot},
               {IDC_PATH_BOOT_LABEL, &m_lblBoot},
               {IDC_PATH_PIN, &m_chkPin},
               {IDC_PATH_PIN_LABEL, &m_lblPin},
               {IDC_PATH_RUN, &m_chkStart},
               {IDC_PATH_RUN_LABEL, &m_lblStart},
               {IDC_PATH_REMIND, &m_chkReminder},
               {IDC_PATH_REMIND_LABEL, &m_lblReminder},
               {IDC_PATH_CLOSE, &m_btnClose},
               {IDC_PATH_MIN, &m_btnMin},
               {IDC_PATH_TITLE, &m_title},
               {IDC_PATH_BACK, &m_btnBack}});
}

void CInstallPathDlg::SetupControls() {
    std::string strName = CProductInfoMgr::Instance().GetDisplayName();
    ::SetWindowTextA(GetHwnd(), strName.c_str());
    ::SetWindowTextA(m_title.GetHwnd(), strName.c_str());
    m_title.SetTextColor(kWhite);
    m_title.SetTextFont(MakeFontDesc(12, FW_BOLD));
    struct {
        CColorButton& button;
        int nImage;
    } buttons[] = {{m_btnInstall, 3}, {m_btnClose, 4}, {m_btnMin, 5}, {m_btnBack, 26}};
    for (auto& row : buttons) {
        row.button.SetImageType(row.nImage);
        row.button.SetShowText(false);
    }
    m_btnBrowse.SetImageType(1);
    m_btnBrowse.SetTextFont(MakeFontDesc(12));
    m_btnBrowse.SetTextColor(kButtonTextColor);
    m_editFolder.SetTextFont(MakeFontDesc(12));
    for (CColorStatic* pLabel : {&m_lblBoot, &m_lblPin, &m_lblStart, &m_lblReminder}) {
        pLabel->SetTextColor(kWhite);
        pLabel->SetTextFont(MakeFontDesc(12));
    }
}

void CInstallPathDlg::LayoutControls() {
    InstallPathLayout layout = ComputeInstallPathLayout(m_bPinShown);
    Place(m_btnClose.GetHwnd(), {574, 10, 588, 24});
    Place(m_btnMin.GetHwnd(), {548, 10, 562, 24});
    struct {
        CColorCheckButton& box;
        CColorStatic& label;
        const RECT& rc;
    } rows[] = {{m_chkBoot, m_lblBoot, layout.rcBootBox},
                {m_chkPin, m_lblPin, layout.rcPinBox},
                {m_chkStart, m_lblStart, layout.rcStartBox},
                {m_chkReminder, m_lblReminder, layout.rcReminderBox}};
    for (auto& row : rows) {
        Place(row.box.GetHwnd(), row.rc);
        Place(row.label.GetHwnd(), LabelBesideBox(row.rc, row.label.GetTextWidth()));
    }
    Place(m_editFolder.GetHwnd(), layout.rcFolder);
    Place(m_btnBrowse.GetHwnd(), layout.rcBrowse);
    Place(m_btnInstall.GetHwnd(), {175, 258, 425, 348});
    Place(m_title.GetHwnd(), {31, 10, 200, 22});
    Place(m_btnBack.GetHwnd(), {16, 375, 66, 394});
    int nPinShow = m_bPinShown ? SW_SHOW : SW_HIDE;
    ::ShowWindow(m_chkPin.GetHwnd(), nPinShow);
    ::ShowWindow(m_lblPin.GetHwnd(), nPinShow);
}

void CInstallPathDlg::SetupTooltips() {
    if (!m_tooltip.Create(GetHwnd()))
        return;
    m_tooltip.AddTool(IDC_PATH_CLOSE, "关闭");
    m_tooltip.AddTool(IDC_PATH_MIN, "最小化");
}

void CInstallPathDlg::RegisterCommands() {
    OnCommandId(IDOK, [this] { OnInstall(); });
    OnCommandId(IDC_PATH_BROWSE, [this] { OnBrowse(); });
    OnCommandId(IDC_PATH_CLOSE, [this] { SendCommand(m_host.GetHostWindow(), IDCANCEL); });
    OnCommandId(IDC_PATH_MIN, [this] { ::ShowWindow(m_host.GetHostWindow(), SW_MINIMIZE); });
    OnCommandId(IDC_PATH_BACK, [this] { OnBack(); });
}

void CInstallPathDlg::OnBrowse() {
    const CProductInfoMgr& mgr = CProductInfoMgr::Instance();
    CFolderBrowser browser(GetHwnd(), BrowseTitle(mgr.GetUninstallKeyName()), GetFolderText());
    browser.SetOptions(BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE);
    browser.Show();
    std::string strFolder = CompleteBrowsedFolder(browser.GetFolder(), mgr.GetProductName());
    if (!strFolder.empty())
        ::SetWindowTextA(m_editFolder.GetHwnd(), strFolder.c_str());
}

void CInstallPathDlg::OnInstall() {
    std::string strFolder =
        CompleteInstallFolder(GetFolderText(), CProductInfoMgr::Instance().GetProductName());
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
                SendCommand(GetHwnd(), IDC_PATH_BROWSE);
                return false;
            case FreeSpaceStep::kStay:
                return false;
        }
    }
    return true;
}

bool CInstallPathDlg::ConfirmClientClosed() {
    const CProductInfoMgr& mgr = CProductInfoMgr::Instance();
    while (mgr.IsProductRunning()) {
        std::string strText = RunningClientText(mgr.GetCompanyName());
        int nAnswer = ShowMsgBox(GetHwnd(), strText.c_str(), nullptr, kCloseClientCaption);
        switch (RunningClientAnswerStep(nAnswer)) {
            case RunningClientStep::kCheckAgain:
                continue;
            case RunningClientStep::kCloseClient:
                mgr.KillProductProcesses();
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
    SendCommand(m_host.GetHostWindow(), ID_CMD_BEGIN_DOWNLOAD);
}

void CInstallPathDlg::OnBack() {
    ::ShowWindow(GetHwnd(), SW_HIDE);
    m_host.ShowStartPage();
}

void CInstallPathDlg::OnEraseBackground(HDC hdc) {
    m_host.DrawBackgroundBehind(GetHwnd(), hdc);
    DrawImageKey(hdc, 15, 0, 10, 7, 16, 16);
    DrawImageKey(hdc, 16, 0, 0, 364, 600, 2);
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
