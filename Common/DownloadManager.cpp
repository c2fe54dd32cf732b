#include "DownloadManager.h"

#include "Handles.h"
#include "HttpClass.h"
#include "Log.h"
#include "StreamDownload.h"

namespace {

const DWORD kWatchIntervalMs = 500;
const DWORD kRetryPauseMs = 1000;
// A file that changes on the server while it downloads is fetched afresh this many times.
const int kMaxFreshStarts = 1;

}  // namespace

CDownloadManager::CDownloadManager()
    : m_bResumable(false),
      m_bSynchronous(false),
      m_nInactivityMs(kDefaultInactivityMs),
      m_nDownloadTimeMs(0),
      m_i64Total(0),
      m_nStatus(kDownloadBusy),
      m_thread(this),
      m_bStop(false),
      m_bRemoteChanged(false),
      m_nStreamWorker(0) {}

CDownloadManager::~CDownloadManager() {
    m_bStop.store(true);
    m_thread.WaitFor(-1);
    for (auto& worker : m_workers) worker->WaitFor(-1);
}

DownloadStatus CDownloadManager::DownloadFile(const char* pszUrl, const char* pszTarget) {
    m_bStop.store(false);
    m_job.strUrl = pszUrl ? pszUrl : "";
    m_strTarget = pszTarget ? pszTarget : "";
    m_nStatus.store(kDownloadBusy);
    // Progress reads nothing of an earlier download until this one knows its length.
    m_i64Total.store(0);
    if (m_bSynchronous) {
        InternalDownloadFile();
        return m_nStatus.load();
    }
    m_thread.Start();
    return kDownloadBusy;
}

void CDownloadManager::Stop() {
    m_bStop.store(true);
    if (!m_bSynchronous)
        m_thread.WaitFor(-1);
}

int CDownloadManager::GetProgress() {
    int64_t i64TotalBytes = m_i64Total.load();
    int64_t i64DownloadBytes = m_outputFile.GetDownloaded();
    LOGF(0, "GetProgress() i64TotalBytes=%I64d,i64DownloadBytes=%I64d\n", i64TotalBytes, i64DownloadBytes);
    if (i64TotalBytes <= 0)
        return 0;
    return static_cast<int>(i64DownloadBytes * 100 / i64TotalBytes);
}

bool CDownloadManager::InternalDownloadFile() {
    for (int nStart = 0; nStart <= kMaxFreshStarts; ++nStart) {
        bool bResult = false;
        if (RunPass(bResult) == Pass::kEnded)
            return bResult;
        // Blocks of the old file must never be mixed with blocks of the new one.
        LOGF(0, "InternalDownloadFile() remote file changed\n");
        DiscardPartialFiles();
    }
    m_nStatus.store(kDownloadFailed);
    return false;
}

CDownloadManager::Pass CDownloadManager::RunPass(bool& bResult) {
    m_bRemoteChanged.store(false);
    if (!QueryFileInfo()) {
        m_nStatus.store(m_bStop.load() ? kDownloadStopped : kDownloadFailed);
        bResult = false;
        return Pass::kEnded;
    }
    LOGF(0, "InternalDownloadFile() break=%d \n", m_bResumable.load() ? 1 : 0);
    bResult = m_bResumable ? SupportBreakDownload() : DownloadWhole();
    return m_bRemoteChanged.load() ? Pass::kStartAfresh : Pass::kEnded;
}

void CDownloadManager::DiscardPartialFiles() {
    ::DeleteFileA((m_strTarget + ".kvd").c_str());
    ::DeleteFileA((m_strTarget + ".kvb").c_str());
}

DWORD CDownloadManager::ReceiveTimeoutMs() const {
    DWORD dwHalf = static_cast<DWORD>(m_nInactivityMs > 200 ? m_nInactivityMs / 2 : 100);
    return dwHalf < CHttpClass::kReceiveTimeoutMs ? dwHalf : CHttpClass::kReceiveTimeoutMs;
}

bool CDownloadManager::QueryFileInfo() {
    CHttpClass http;
    for (int nAttempt = 0; nAttempt < kMaxInfoAttempts && !m_bStop.load(); ++nAttempt) {
        int64_t i64Size = 0;
        FILETIME ftDate = {};
        HttpResult nResult = http.GetHttpFileInfo(m_job.strUrl.c_str(), i64Size, ftDate);
        if (nResult == kHttpOk) {
            m_job.ftRemote = ftDate;
            m_i64Total.store(i64Size);
            // A length the block table cannot describe is fetched as one stream.
            m_bResumable.store(i64Size >= 0 && i64Size <= CBitmapFile::kMaxLength);
            return true;
        }
        if (!IsWorthRetrying(nResult, http.GetCode()))
            return false;
        PauseUnlessStopped(kRetryPauseMs, m_bStop);
    }
    return false;
}

bool CDownloadManager::SupportBreakDownload() {
    MarkActivity();
    if (!m_outputFile.Open(m_strTarget.c_str(), m_i64Total.load(), m_job.ftRemote)) {
        LOGF(0, "SupportBreakDownload 创建/打开下载文件失败 %s\n", m_strTarget.c_str());
        m_nStatus.store(kDownloadFileError);
        return false;
    }
    m_job.dwReceiveTimeoutMs = ReceiveTimeoutMs();
    m_nStreamWorker.store(0);
    std::vector<HANDLE> handles;
    StartWorkers(handles);
    LOGF(0, "Begin SupportBreakDownload \n");
    bool bFinished = WatchWorkers(handles);
    LOGF(0, "End SupportBreakDownload  bThreadFinish=%d\n", bFinished ? 1 : 0);
    bool bComplete = bFinished && m_outputFile.IsComplete();
    if (bComplete)
        m_nDownloadTimeMs.store(static_cast<int>(m_outputFile.GetElapsed()));
    if (!bFinished) {
        StopWorkers(handles);
        LOGF(0, "End WaitForMultipleObjects \n");
    }
    if (m_bRemoteChanged.load()) {
        // The caller starts afresh; no final status yet.
        m_outputFile.Close();
        return false;
    }
    DownloadStatus nOutcome =
        SegmentedRunStatus(bFinished, bComplete, m_bStop.load(), m_outputFile.GetLastingWriteError() != 0);
    m_outputFile.Close();
    LOGF(0, "out put file close \n");
    m_nStatus.store(nOutcome);
    if (nOutcome == kDownloadRenaming)
        m_nStatus.store(MoveIntoPlace());
    return true;
}

bool CDownloadManager::ClaimStream(int nId) {
    int nHolder = 0;
    if (m_nStreamWorker.compare_exchange_strong(nHolder, nId)) {
        LOGF(0, "SupportBreakDownload 服务器忽略分段请求, 由 nId=%d 单流下载\n", nId);
        return true;
    }
    return nHolder == nId;
}

// The workers of the previous run have ended; their objects are released here.
bool CDownloadManager::StartWorkers(std::vector<HANDLE>& handles) {
    m_workers.clear();
    const int nWorkers = m_outputFile.GetWorkerCount();
    for (int nId = 1; nId <= nWorkers; ++nId) {
        m_workers.push_back(std::make_unique<CDownloadThread>(this, nId));
        HANDLE hThread = m_workers.back()->Start();
        if (hThread)
            handles.push_back(hThread);
    }
    return handles.size() == static_cast<size_t>(nWorkers);
}

// True when every worker has ended; false on inactivity or a stop request.
bool CDownloadManager::WatchWorkers(const std::vector<HANDLE>& handles) {
    if (handles.empty())
        return true;
    const DWORD nCount = static_cast<DWORD>(handles.size());
    for (;;) {
        DWORD dwWait = ::WaitForMultipleObjects(nCount, handles.data(), TRUE, kWatchIntervalMs);
        if (dwWait < WAIT_OBJECT_0 + nCount)
            return true;
        if (dwWait == WAIT_FAILED)
            ::Sleep(kWatchIntervalMs);
        // A write that failed for good fails every later block too: waiting would only turn
        // a full disk into a time-out.
        if (IsInactive() || m_bStop.load() || m_bRemoteChanged.load() || m_outputFile.GetLastingWriteError())
            return false;
    }
}

void CDownloadManager::StopWorkers(const std::vector<HANDLE>& handles) {
    for (auto& worker : m_workers) worker->Stop();
    if (!handles.empty()) {
        ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
    }
}

DownloadStatus CDownloadManager::MoveIntoPlace() {
    const std::string strData = m_strTarget + ".kvd";
    ::DeleteFileA(m_strTarget.c_str());
    if (!::MoveFileExA(strData.c_str(), m_strTarget.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        LOGF(0, "SupportBreakDownload 下载文件改名失败 %s [%d]\n", m_strTarget.c_str(),
             (int)::GetLastError());
        return kDownloadFileError;
    }
    ::DeleteFileA((m_strTarget + ".kvb").c_str());
    ApplyRemoteDate();
    return kDownloadFinished;
}

bool CDownloadManager::DownloadWhole() {
    m_nStatus.store(kDownloadBusy);
    CStreamDownload::Settings settings;
    settings.strUrl = m_job.strUrl;
    settings.strTarget = m_strTarget;
    settings.nInactivityMs = m_nInactivityMs;
    settings.dwReceiveTimeoutMs = ReceiveTimeoutMs();
    CStreamDownload stream(settings, m_bStop, m_activity);
    DownloadStatus nStatus = stream.Run();
    if (nStatus == kDownloadFinished) {
        m_nDownloadTimeMs.store(stream.GetDownloadTimeMs());
        // The date is the size query's, as on the segmented path; without one the file keeps
        // the time of its writing.
        ApplyRemoteDate();
    }
    m_nStatus.store(nStatus);
    return nStatus == kDownloadFinished;
}

void CDownloadManager::ApplyRemoteDate() {
    const FILETIME& ftRemote = m_job.ftRemote;
    if (ftRemote.dwLowDateTime == 0 && ftRemote.dwHighDateTime == 0)
        return;
    CFileHandle hFile(::CreateFileA(m_strTarget.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (hFile)
        ::SetFileTime(hFile.Get(), nullptr, nullptr, &ftRemote);
}
