#include "DownloadManager.h"

#include "Handles.h"
#include "HttpClass.h"
#include "Log.h"

namespace {

const int kWholeBufferBytes = 16384;
const DWORD kWatchIntervalMs = 500;
const DWORD kRetryPauseMs = 1000;
// A file that changes on the server while it downloads is fetched afresh this many times.
const int kMaxFreshStarts = 1;

bool IsZero(const FILETIME& ft) {
    return ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0;
}

}  // namespace

CDownloadManager::CDownloadManager()
    : m_bResumable(false),
      m_bSynchronous(false),
      m_nInactivityMs(kDefaultInactivityMs),
      m_nDownloadTimeMs(0),
      m_i64Total(0),
      m_ftRemote(),
      m_dwLastActivity(::GetTickCount()),
      m_nStatus(kDownloadBusy),
      m_thread(this),
      m_bStop(false),
      m_bRemoteChanged(false) {}

CDownloadManager::~CDownloadManager() {
    m_bStop.store(true);
    m_thread.WaitFor(-1);
    for (auto& worker : m_workers) worker->WaitFor(-1);
}

bool CDownloadManager::IsWorthRetrying(int nResult, int nCode) {
    return nResult == -4 || (nResult == -5 && nCode >= 500 && nCode <= 599);
}

int CDownloadManager::DownloadFile(const char* pszUrl, const char* pszTarget) {
    m_bStop.store(false);
    m_strUrl = pszUrl ? pszUrl : "";
    m_strTarget = pszTarget ? pszTarget : "";
    m_nStatus.store(kDownloadBusy);
    // Progress reads nothing of an earlier download until this one knows its length.
    m_i64Total.store(0);
    if (m_bSynchronous)
        return InternalDownloadFile() ? 1 : 0;
    m_thread.Start();
    return 0;
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
        m_bRemoteChanged.store(false);
        bool bResult = RunOnce();
        if (!m_bRemoteChanged.load())
            return bResult;
        // Blocks of the old file must never be mixed with blocks of the new one.
        LOGF(0, "InternalDownloadFile() remote file changed\n");
        DiscardPartialFiles();
    }
    m_nStatus.store(kDownloadFailed);
    return false;
}

bool CDownloadManager::RunOnce() {
    if (!QueryFileInfo()) {
        m_nStatus.store(kDownloadFailed);
        return false;
    }
    LOGF(0, "InternalDownloadFile() break=%d \n", m_bResumable.load() ? 1 : 0);
    return m_bResumable ? SupportBreakDownload() : DownloadWhole();
}

void CDownloadManager::DiscardPartialFiles() {
    ::DeleteFileA((m_strTarget + ".kvd").c_str());
    ::DeleteFileA((m_strTarget + ".kvb").c_str());
}

DWORD CDownloadManager::GetReceiveTimeoutMs() const {
    DWORD dwHalf = static_cast<DWORD>(m_nInactivityMs > 200 ? m_nInactivityMs / 2 : 100);
    return dwHalf < CHttpClass::kReceiveTimeoutMs ? dwHalf : CHttpClass::kReceiveTimeoutMs;
}

bool CDownloadManager::IsOtherDate(const FILETIME& ftAnswer) const {
    if (IsZero(m_ftRemote) || IsZero(ftAnswer))
        return false;
    return ::CompareFileTime(&m_ftRemote, &ftAnswer) != 0;
}

bool CDownloadManager::QueryFileInfo() {
    CHttpClass http;
    for (int nAttempt = 0; nAttempt < kMaxInfoAttempts; ++nAttempt) {
        int64_t i64Size = 0;
        FILETIME ftDate = {};
        int nResult = http.GetHttpFileInfo(m_strUrl.c_str(), i64Size, ftDate);
        if (nResult == 1) {
            m_ftRemote = ftDate;
            m_i64Total.store(i64Size);
            // A length the block table cannot describe is fetched as one stream.
            m_bResumable.store(i64Size >= 0 && i64Size <= CBitmapFile::kMaxLength);
            return true;
        }
        if (!IsWorthRetrying(nResult, http.GetCode()))
            return false;
        ::Sleep(1000);
    }
    return false;
}

bool CDownloadManager::SupportBreakDownload() {
    MarkActivity();
    if (!m_outputFile.Open(m_strTarget.c_str(), m_i64Total.load(), m_ftRemote)) {
        LOGF(0, "SupportBreakDownload 创建/打开下载文件失败 %s\n", m_strTarget.c_str());
        m_nStatus.store(kDownloadFileError);
        return false;
    }
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
    int nOutcome = RunOutcome(bFinished, bComplete, m_bStop.load());
    m_outputFile.Close();
    LOGF(0, "out put file close \n");
    m_nStatus.store(nOutcome);
    if (nOutcome == kDownloadRenaming)
        m_nStatus.store(MoveIntoPlace());
    return true;
}

int CDownloadManager::RunOutcome(bool bFinished, bool bComplete, bool bStopped) {
    if (bFinished)
        return bComplete ? kDownloadRenaming : kDownloadFailed;
    return bStopped ? kDownloadStopped : kDownloadTimedOut;
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
        if (IsInactive() || m_bStop.load() || m_bRemoteChanged.load())
            return false;
    }
}

void CDownloadManager::StopWorkers(const std::vector<HANDLE>& handles) {
    for (auto& worker : m_workers) worker->Stop();
    if (!handles.empty()) {
        ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
    }
}

bool CDownloadManager::IsInactive() const {
    // The tick first: a worker may store a newer one between the two reads.
    DWORD dwLast = m_dwLastActivity.load();
    return IsPast(dwLast, ::GetTickCount(), m_nInactivityMs);
}

bool CDownloadManager::IsPast(DWORD dwLastTick, DWORD dwNow, int nTimeoutMs) {
    return static_cast<int32_t>(dwNow - dwLastTick) > nTimeoutMs;
}

int CDownloadManager::MoveIntoPlace() {
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
    MarkActivity();
    const DWORD dwStart = ::GetTickCount();
    // Only bytes beyond what an earlier attempt reached count as activity, so a server that
    // cuts every answer at the same place ends the run by the time-out.
    int64_t i64Furthest = 0;
    for (;;) {
        int nOutcome = FetchWholeOnce(i64Furthest);
        if (nOutcome == kDownloadRenaming) {
            m_nDownloadTimeMs.store(static_cast<int>(::GetTickCount() - dwStart));
            m_nStatus.store(kDownloadRenaming);
            nOutcome = PutStreamInPlace();
        } else if (nOutcome == kDownloadBusy) {
            nOutcome = GiveUpStatus();
            if (nOutcome == kDownloadBusy) {
                PauseUnlessStopped(kRetryPauseMs);
                continue;
            }
        }
        // A cut stream never reaches the target's name, where it would pass for the file.
        if (nOutcome != kDownloadFinished)
            ::DeleteFileA(StreamPath().c_str());
        m_nStatus.store(nOutcome);
        return nOutcome == kDownloadFinished;
    }
}

// One GET into the stream file beside the target: 6 when the whole body arrived, 4 for a
// failed attempt worth repeating, or the final status (already set when the request itself
// gave up).
int CDownloadManager::FetchWholeOnce(int64_t& i64Furthest) {
    CHttpClass http;
    http.SetReceiveTimeout(GetReceiveTimeoutMs());
    if (!RequestWhole(http))
        return m_nStatus.load();
    FILETIME ftAnswer = {};
    if (http.GetLastModified(ftAnswer))
        m_ftRemote = ftAnswer;
    CFileHandle hTarget(::CreateFileA(StreamPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hTarget)
        return kDownloadFileError;
    return ReadWholeBody(http, hTarget.Get(), i64Furthest);
}

std::string CDownloadManager::StreamPath() const {
    return m_strTarget + ".part";
}

// The whole stream, closed, takes the target's name: 0, or 3 when that fails.
int CDownloadManager::PutStreamInPlace() {
    if (!::MoveFileExA(StreamPath().c_str(), m_strTarget.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        LOGF(0, "DownloadWhole 下载文件改名失败 %s [%d]\n", m_strTarget.c_str(), (int)::GetLastError());
        return kDownloadFileError;
    }
    ApplyRemoteDate();
    return kDownloadFinished;
}

// Timed out or stopped, else 4 (go on).
int CDownloadManager::GiveUpStatus() const {
    if (IsInactive())
        return kDownloadTimedOut;
    return m_bStop.load() ? kDownloadStopped : kDownloadBusy;
}

void CDownloadManager::PauseUnlessStopped(DWORD dwMilliseconds) {
    for (DWORD dwPause = ::GetTickCount(); ::GetTickCount() - dwPause < dwMilliseconds && !m_bStop.load();)
        ::Sleep(10);
}

// Repeats the plain GET on server and network errors until it works, the inactivity
// time-out passes or a stop is asked for; sets the final status when it gives up.
bool CDownloadManager::RequestWhole(CHttpClass& http) {
    for (;;) {
        int nResult = http.HttpRequest(m_strUrl.c_str());
        if (nResult == 1)
            return true;
        int nStatus = IsWorthRetrying(nResult, http.GetCode()) ? GiveUpStatus() : kDownloadFailed;
        if (nStatus != kDownloadBusy) {
            m_nStatus.store(nStatus);
            return false;
        }
        // A failing server is not hammered: one retry a second, like the segmented path.
        PauseUnlessStopped(kRetryPauseMs);
    }
}

// Copies the body into the stream file: 6 when it ends at its announced length, 4 when it ends
// short or a read fails (a failed attempt), 3 on a write error, 5 if stopped.
int CDownloadManager::ReadWholeBody(CHttpClass& http, HANDLE hTarget, int64_t& i64Furthest) {
    const int64_t i64Announced = http.GetContentLength();
    std::vector<uint8_t> buffer(kWholeBufferBytes);
    for (int64_t i64Received = 0;;) {
        int nCount = http.ReceiveBytes(buffer.data(), kWholeBufferBytes);
        if (nCount == 0)
            return i64Announced < 0 || i64Received == i64Announced ? kDownloadRenaming : kDownloadBusy;
        if (nCount < 0)
            return kDownloadBusy;
        i64Received += nCount;
        if (i64Received > i64Furthest) {
            i64Furthest = i64Received;
            MarkActivity();
        }
        DWORD nWritten = 0;
        if (!::WriteFile(hTarget, buffer.data(), static_cast<DWORD>(nCount), &nWritten, nullptr) ||
            nWritten != static_cast<DWORD>(nCount)) {
            return kDownloadFileError;
        }
        if (m_bStop.load())
            return kDownloadStopped;
    }
}

void CDownloadManager::ApplyRemoteDate() {
    if (m_ftRemote.dwLowDateTime == 0 && m_ftRemote.dwHighDateTime == 0)
        return;
    CFileHandle hFile(::CreateFileA(m_strTarget.c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (hFile)
        ::SetFileTime(hFile.Get(), nullptr, nullptr, &m_ftRemote);
}
