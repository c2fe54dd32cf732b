// The page shown while the installer is downloaded and run: a large slide that the main
// dialog changes, a progress bar the main dialog sets, a fixed status text, and minimise and
// close buttons. It times and computes nothing itself. User-interface thread only.
#pragma once

#include <windows.h>

#include "ColorProgressCtrl.h"
#include "ColorStatic.h"
#include "HostedPage.h"

class CProgressDlg : public CHostedPage {
public:
    // The host outlives the page.
    explicit CProgressDlg(IInstallHost& host);

    // The slide to draw from now on; RepaintSlide shows it.
    void SetCurrentSlide(int nIndex) { m_nCurrentSlide = nIndex; }
    // Redraws the whole page off-screen and shows it in one copy.
    void RepaintSlide();
    // Sets the bar (0 to 100). Dropped while the main dialog is minimised: nothing would be
    // seen, and the next value after restoring is shown.
    void SetProgress(int nValue);
    // The bar's position.
    int GetProgress() const;

protected:
    std::vector<ControlRow> PageControls() override;
    void OnInitPage() override;
    void OnClose() override;
    void DrawPage(HDC hdc) override;

private:
    int m_nCurrentSlide = 0;
    CColorProgressCtrl m_progress;
    CColorStatic m_status;
    CColorStatic m_dots;
};
