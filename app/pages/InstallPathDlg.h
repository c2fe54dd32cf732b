// The install-path page: the install folder with its browse button and the four start-up
// options. Confirming it checks free space and a running client (asking the user), then
// hands the choices to the main dialog and begins the download there. A modeless child of
// the main dialog (template 129), created hidden. User-interface thread only.
#pragma once

#include <string>

#include "ColorButton.h"
#include "ColorCheckButton.h"
#include "ColorStatic.h"
#include "HostedPage.h"
#include "PathEdit.h"

class CInstallPathDlg : public CHostedPage {
public:
    // host must outlive the page.
    explicit CInstallPathDlg(IInstallHost& host);

    // The fixed drive with the most free space, or 'C'. Blocks for each drive's query.
    static char ProposeDriveLetter();

    std::string GetFolderText() const;

protected:
    std::vector<ControlRow> PageControls() override;
    void OnInitPage() override;
    void DrawPage(HDC hdc) override;
    bool OnPageMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void RegisterCommands();
    void OnBrowse();
    void OnInstall();
    // True when the volume of strFolder has room, false when the user chose otherwise.
    bool ConfirmFreeSpace(const std::string& strFolder);
    // True when no client runs, false when the user chose otherwise.
    bool ConfirmClientClosed();
    void HandOver(const std::string& strFolder);
    void OnBack();
    void OnPaintArea(const RECT& rcPaint);

    bool m_bPinShown = false;
    CColorButton m_btnInstall;
    CPathEdit m_editFolder;
    CColorButton m_btnBrowse;
    CColorCheckButton m_chkBoot;
    CColorStatic m_lblBoot;
    CColorCheckButton m_chkPin;
    CColorStatic m_lblPin;
    CColorCheckButton m_chkStart;
    CColorStatic m_lblStart;
    CColorCheckButton m_chkReminder;
    CColorStatic m_lblReminder;
    CColorButton m_btnBack;
};
