#include "InstallRun.h"

#include <shellapi.h>

#include <vector>

#include "DownloadManager.h"
#include "HeldInstaller.h"
#include "InstallPathRules.h"
#include "InstallRunRules.h"
#include "InstallerPaths.h"
#include "Log.h"
#include "Path.h"
#include "ProductInfoMgr.h"
#include "ProductTable.h"
#include "ProgramLaunch.h"
#include "ServiceClient.h"

namespace {
const char kInstallFailedMessage[] = "安装失败。";
}  // namespace

CInstallRun::CInstallRun(CProductInfoMgr& mgr) : m_mgr(mgr) {}

CInstallRun::~CInstallRun() {
    WaitForRecommended();
    if (m_pDownloadMgr) {
        DownloadStatus nStatus = m_pDownloadMgr->GetStatus();
        if (nStatus != kDownloadBusy && nStatus != kDownloadRenaming)
            delete m_pDownloadMgr;
    }
}

int CInstallRun::ProductId() const {
    return static_cast<int>(m_mgr.GetProduct().productId);
}

bool CInstallRun::BeginDownload() {
    if (m_bStarted)
        return false;
    m_bStarted = true;
    m_nState = kDownloading;
    if (m_strInstallDir.empty())
        m_strInstallDir = DefaultInstallFolder(ProposeDriveLetter(), m_mgr.GetProductName());
    m_mgr.ReportStartDown();
    return true;
}

void CInstallRun::StartInstallerOrDownload() {
    if (!m_bStarted || m_bFetchStarted)
        return;
    m_bFetchStarted = true;
    m_nFailCount = 0;
    m_strInstallerPath = InstallerPathFor(m_strInstallDir, m_mgr.GetInstallUrl());
    CreateDirectoryChain(InstallerFolderFor(m_strInstallDir));
    bool bIsFile = false;
    // One left by an earlier run is checked like a fresh download; a refused one is fetched again.
    if (PathExists(m_strInstallerPath, bIsFile) && bIsFile) {
        CHeldInstaller installer(m_strInstallerPath);
        if (installer.HoldTrusted())
            LaunchInstaller(installer);
        if (m_hInstallProcess) {
            m_dwPhaseStart = ::GetTickCount();
            return;
        }
    }
    m_pDownloadMgr = new CDownloadManager();
    m_pDownloadMgr->DownloadFile(m_mgr.GetInstallUrl().c_str(), m_strInstallerPath.c_str());
}

CInstallRun::PollResult CInstallRun::Poll() {
    PollResult result;
    if (m_hInstallProcess) {
        result.nProgress = InstallPhaseProgress(::GetTickCount() - m_dwPhaseStart);
        if (::WaitForSingleObject(m_hInstallProcess.Get(), 0) == WAIT_OBJECT_0) {
            result.nProgress = kProgressInstallDone;
            result.bInstallerExited = true;
        }
        return result;
    }
    if (!m_pDownloadMgr || m_bGaveUp)
        return result;
    DownloadStatus nStatus = m_pDownloadMgr->GetStatus();
    LOGF(0, "State=%d \n", static_cast<int>(nStatus));
    switch (nStatus) {
        case kDownloadFinished:
            OnDownloadComplete(result);
            break;
        case kDownloadTimedOut:
        case kDownloadFailed:
        case kDownloadFileError:
        case kDownloadStopped:
            OnDownloadFailed(nStatus, result);
            break;
        case kDownloadBusy:
            result.nProgress = MapDownloadProgress(m_pDownloadMgr->GetProgress());
            break;
        case kDownloadRenaming:
            break;
    }
    return result;
}

void CInstallRun::OnDownloadComplete(PollResult& result) {
    if (m_nState == kInstalling)
        return;
    // "downloadcomplete" means the maker's installer is on disk.
    CHeldInstaller installer(m_strInstallerPath);
    if (!installer.HoldTrusted()) {
        OnDownloadFailed(kDownloadUntrusted, result);
        return;
    }
    m_nState = kInstalling;
    m_mgr.ReportDownloadComplete(static_cast<int>(m_pDownloadMgr->GetDownloadTime()));
    m_dwPhaseStart = ::GetTickCount();
    LaunchInstaller(installer);
    if (m_hInstallProcess)
        return;
    // The file is no program (or the shell refused it): a failed install. Without the file
    // the next run downloads afresh instead of finding it again.
    ReportInstall(false, 0);
    ::DeleteFileA(m_strInstallerPath.c_str());
    m_bGaveUp = true;
    result.bFailed = true;
    result.pszMessage = kInstallFailedMessage;
}

void CInstallRun::LaunchInstaller(CHeldInstaller& installer) {
    std::string strParameters =
        BuildInstallerParameters(m_choices.bAutoStart != 0, m_mgr.GetPromotionSummary(), m_strInstallDir);
    m_hInstallProcess.Reset(LaunchInstallProgram(installer, strParameters));
}

void CInstallRun::OnDownloadFailed(int nStatus, PollResult& result) {
    ++m_nFailCount;
    DownloadFailureDecision decision = DecideDownloadFailure(m_nFailCount, nStatus);
    if (!decision.bRetry) {
        m_bGaveUp = true;
        result.bFailed = true;
        result.pszMessage = decision.pszMessage;
        return;
    }
    std::string strUrl2 = m_mgr.GetInstallUrl2();
    LOGF(0, "下载失败，尝试 %s \n", strUrl2.c_str());
    // The first attempt's thread has set its final status; make sure it has also ended
    // before the manager is used again.
    m_pDownloadMgr->Stop();
    m_pDownloadMgr->DownloadFile(strUrl2.c_str(), m_strInstallerPath.c_str());
    m_mgr.ReportDownloadFailed(nStatus);
}

bool CInstallRun::FinishInstall() {
    if (m_nState == kFinished)
        return false;
    m_nState = kFinished;
    m_hInstallProcess.Close();
    ReportInstall(CheckProductInstalled(ProductId()), static_cast<int>(::GetTickCount() - m_dwPhaseStart));
    return true;
}

void CInstallRun::ReportInstall(bool bInstalled, int nInstallMs) {
    int nDlTime = m_pDownloadMgr ? static_cast<int>(m_pDownloadMgr->GetDownloadTime()) : 0;
    m_mgr.ReportInstallComplete(nDlTime, nInstallMs, m_choices.bPinTaskbar,
                                RecommendBits(m_choices.bRecommend), bInstalled);
}

void CInstallRun::PinToTaskbar() {
    std::string strName = m_mgr.GetProductFullName();
    LOGF(0, "OnCmdStart() strPorductName=%s\n ", strName.c_str());
    std::string strLink = strName + ".lnk";
    for (const char* pszVerb : {"taskbarunpin", "taskbarpin"}) {
        // No error box of the shell's own where the verb does not exist.
        SHELLEXECUTEINFOA sei = {};
        sei.cbSize = sizeof(sei);
        sei.fMask = SEE_MASK_FLAG_NO_UI;
        sei.lpVerb = pszVerb;
        sei.lpFile = strLink.c_str();
        sei.nShow = SW_SHOWNORMAL;
        ::ShellExecuteExA(&sei);
    }
}

HANDLE CInstallRun::FinishRun() {
    StartClient();
    ReportSubscription();
    if (m_choices.bHomePage)
        m_mgr.SetHomePage();
    return StartRecommendThread();
}

void CInstallRun::StartClient() {
    LOGF(0, "OnCmdStart() m_bPinTaskbar=%d\n ", m_choices.bPinTaskbar);
    if (m_choices.bPinTaskbar)
        PinToTaskbar();
    LOGF(0, "State=%d,runafterinstall=%d\n", m_nState, m_choices.bRunAfterInstall);
    if (m_nState != kFinished) {
        m_mgr.ReportClientStart(false);
        return;
    }
    // A refused execute is a client that cannot start: reported, and the run goes on.
    std::string strExecute = m_mgr.GetExecute();
    bool bStarted = m_choices.bRunAfterInstall && IsClientProgramPath(strExecute) &&
                    LaunchKavvik(m_strInstallDir, strExecute);
    m_mgr.ReportClientStart(bStarted);
    LOGF(0, "OnCmdStart() StartClient=%d \n", bStarted ? 1 : 0);
    ::DeleteFileA(m_strInstallerPath.c_str());
}

void CInstallRun::ReportSubscription() {
    ::ReportSubscription(m_strInstallDir, m_choices.bAnchorReminder != 0, ProductId());
}

HANDLE CInstallRun::StartRecommendThread() {
    if (m_recommend)
        return m_recommend->GetThreadHandle();
    std::vector<std::string> urls;
    for (size_t i = 0; i < m_mgr.GetRecommendCount() && i < CRecommendInstaller::kMaxChoices; ++i)
        urls.push_back(m_mgr.GetRecommendUrl(i));
    m_recommend.reset(new CRecommendInstaller(m_strInstallDir, urls, m_choices.bRecommend));
    return m_recommend->Start();
}

void CInstallRun::WaitForRecommended() {
    if (m_recommend && m_recommend->GetThreadHandle()) {
        m_recommend->WaitFor(-1);
        m_recommend->CloseThreadHandle();
    }
}
