// The single top-level window of an install run. It hosts the four pages over one shared
// background and drives the run's flow (CInstallRun) from its commands and its timers: the
// download polled every 100 ms with a slideshow every 4 s, the installer's exit, the finish
// page, the client start and the recommended-install worker. It does the window work only.
#pragma once

#include <windows.h>

#include <string>

#include "ConfigDlg.h"
#include "DialogBase.h"
#include "InstallHost.h"
#include "InstallPathDlg.h"
#include "InstallRun.h"
#include "OrvaneStartDlg.h"
#include "ProgressDlg.h"

class COrvaneDlg : public CDialogBase, public IInstallHost {
public:
    COrvaneDlg();

    // IInstallHost; user-interface thread.
    HWND GetHostWindow() const override { return GetHwnd(); }
    const PageTexts& GetPageTexts() const override { return m_texts; }
    std::vector<OfferChoice> GetRecommendOffers() const override;
    OfferChoice GetHomePageOffer() const override;
    bool IsClientRunning() const override;
    void CloseClient() override;
    std::string GetInstallDir() const override { return m_run.GetInstallDir(); }
    void SetInstallPath(const std::string& strDir) override { m_run.SetInstallPath(strDir); }
    BOOL GetRunAfterInstall() const override { return m_choices.bRunAfterInstall; }
    void SetRunAfterInstall(BOOL bValue) override { m_choices.bRunAfterInstall = bValue ? 1 : 0; }
    // Starts ticked (CInstallRun::Choices), as the install-path page starts its box, so the
    // finish page shows the same choice whichever page the user saw.
    BOOL GetAnchorReminder() const override { return m_choices.bAnchorReminder; }
    void SetAnchorReminder(BOOL bValue) override { m_choices.bAnchorReminder = bValue ? 1 : 0; }
    void SetAutoStart(BOOL bValue) override { m_choices.bAutoStart = bValue ? 1 : 0; }
    void SetPinTaskbar(BOOL bValue) override { m_choices.bPinTaskbar = bValue ? 1 : 0; }
    void SetRecommend(int nIndex, BOOL bValue) override;
    void SetHomePageChoice(BOOL bValue) override { m_choices.bHomePage = bValue ? 1 : 0; }
    bool GetBackgroundSlice(const RECT& rcScreen, ImageEntry& entry) const override;
    void ShowInstallPathPage() override;
    void ShowStartPage() override;

    // Blocks without limit until the worker has ended; at once when none was started. The
    // application calls it after the modal run has returned.
    void WaitForRecommended() { m_run.WaitForRecommended(); }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void SetupWindow();
    void CreatePages();
    void CreatePage(CDialogBase& page, bool bShow);
    void RegisterCommands();

    void OnCmdBeginDownload();
    void NextSlide();
    void PollProgress();
    void OnCmdInstallFinished();
    void OnCmdStart();
    bool OnHitTest(LPARAM lParam, LRESULT& result);
    void OnPaint();

    CInstallRun m_run;
    PageTexts m_texts;
    CInstallRun::Choices& m_choices;  // the run's, set by the pages
    CInstallPathDlg m_installPathPage;
    int m_nCurImage = 0;
    COrvaneStartDlg m_startPage;
    CProgressDlg m_progressPage;
    CConfigDlg m_finishPage;
    HICON m_hIcon = nullptr;  // shared resource icon, not destroyed
};
