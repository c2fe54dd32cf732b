// One install run without its windows: the state of the main dialog's flow (download,
// installer, registry check, client start, recommended products) and the reports it sends.
// The main dialog owns one, calls it from its commands and its 100 ms timer, and does only
// the window work itself (pages, progress bar, slides, message box).
//
// Threads: the user-interface thread only, except WaitForRecommended, which the application
// calls after the dialog has closed.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "Handles.h"
#include "RecommendInstaller.h"

class CDownloadManager;
class CHeldInstaller;
class CProductInfoMgr;

class CInstallRun {
public:
    enum State { kCreated = 0, kDownloading = 1, kInstalling = 2, kFinished = 3 };

    // The user's choices. The install-path page sets the first four, the finish page reads
    // and writes run-after-install and the reminder and sets the recommendations. The
    // reminder starts ticked, as the install-path page shows it.
    struct Choices {
        int bAutoStart = 0;
        int bRunAfterInstall = 1;
        int bPinTaskbar = 1;
        int bAnchorReminder = 1;
        int bRecommend[CRecommendInstaller::kMaxChoices] = {0, 0, 0};
        int bHomePage = 0;
    };

    // What one poll asks of the dialog.
    struct PollResult {
        int nProgress = -1;                // the bar's new value; -1 leaves it
        bool bInstallerExited = false;     // run the installer-finished command now
        bool bFailed = false;              // final failure: stop polling, show pszMessage, end
        const char* pszMessage = nullptr;  // null: end without a message
    };

    explicit CInstallRun(CProductInfoMgr& mgr);
    // A download still running is left to end with the process, as its threads may be
    // blocked in a read for a while; a finished one is released.
    ~CInstallRun();
    CInstallRun(const CInstallRun&) = delete;
    CInstallRun& operator=(const CInstallRun&) = delete;

    void SetInstallPath(const std::string& strFolder) { m_strInstallDir = strFolder; }
    const std::string& GetInstallDir() const { return m_strInstallDir; }
    // Test seam: where the installer is downloaded to.
    const std::string& GetInstallerPath() const { return m_strInstallerPath; }
    int GetState() const { return m_nState; }
    Choices& GetChoices() { return m_choices; }

    // The begin-download command comes in two halves, with the first slide and the timers
    // between them. BeginDownload: the default folder and the "startdown" report; false
    // (nothing done) when the run had begun already.
    bool BeginDownload();
    // Then: the installer already in the Install folder is started, or the download begins.
    // Once per run, after BeginDownload.
    void StartInstallerOrDownload();
    // The 100 ms poll: installer climb and exit, or the download's status and progress
    // (with the one retry on the second address). A downloaded installer that cannot be
    // started is a failed install: reported, deleted, and a final failure with its message.
    PollResult Poll();
    // The installer-finished command: registry check and install report. False (nothing
    // done) when it ran already.
    bool FinishInstall();
    // The end of the run once the finish page has handed over its choices: StartClient,
    // ReportSubscription, the browser home page when chosen, StartRecommendThread. Answers
    // the worker's handle, or null.
    HANDLE FinishRun();
    // The steps of FinishRun. Taskbar pin, client start and its report, installer deleted.
    void StartClient();
    // The subscription report to the product's service client.
    void ReportSubscription();
    // Starts the recommended-install worker for the ticked products; its handle, or null.
    HANDLE StartRecommendThread();
    // Blocks until the worker has ended; at once when none was started.
    void WaitForRecommended();

private:
    // Starts the installer that was checked and is held; lets it go.
    void LaunchInstaller(CHeldInstaller& installer);
    void OnDownloadComplete(PollResult& result);
    void ReportInstall(bool bInstalled, int nInstallMs);
    void OnDownloadFailed(int nStatus, PollResult& result);
    void PinToTaskbar();
    int ProductId() const;

    CProductInfoMgr& m_mgr;
    Choices m_choices;
    std::string m_strInstallDir;
    std::string m_strInstallerPath;
    CDownloadManager* m_pDownloadMgr = nullptr;
    CHandle m_hInstallProcess;
    DWORD m_dwPhaseStart = 0;
    int m_nState = kCreated;
    int m_nFailCount = 0;
    bool m_bStarted = false;
    bool m_bFetchStarted = false;
    bool m_bGaveUp = false;
    std::unique_ptr<CRecommendInstaller> m_recommend;
};
