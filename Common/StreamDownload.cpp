#include "StreamDownload.h"

#include <vector>

#include "DownloadStatus.h"
#include "Handles.h"
#include "HttpClass.h"
#include "Log.h"

namespace {

const int kBufferBytes = 16384;
const DWORD kRetryPauseMs = 1000;

}  // namespace

CStreamDownload::CStreamDownload(const Settings& settings, const std::atomic<bool>& bStop,
                                 CActivityClock& activity)
    : m_settings(settings), m_bStop(bStop), m_activity(activity) {}

DownloadStatus CStreamDownload::Run() {
    m_activity.Mark();
    const DWORD dwStart = ::GetTickCount();
    for (;;) {
        Attempt attempt = FetchOnce();
        DownloadStatus nStatus = kDownloadFinished;
        if (attempt == Attempt::kWhole) {
            m_nDownloadTimeMs = static_cast<int>(::GetTickCount() - dwStart);
            nStatus = PutInPlace();
        } else if (attempt == Attempt::kGiveUp || GivesUp(m_nGiveUpStatus)) {
            nStatus = m_nGiveUpStatus;
        } else {
            PauseUnlessStopped(kRetryPauseMs, m_bStop);
            continue;
        }
        // A cut stream never reaches the target's name, where it would pass for the file.
        if (nStatus != kDownloadFinished)
            ::DeleteFileA(GetStreamPath().c_str());
        return nStatus;
    }
}

CStreamDownload::Attempt CStreamDownload::FetchOnce() {
    CHttpClass http;
    http.SetReceiveTimeout(m_settings.dwReceiveTimeoutMs);
    if (!Request(http))
        return Attempt::kGiveUp;
    CFileHandle hFile(::CreateFileA(GetStreamPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile) {
        m_nGiveUpStatus = kDownloadFileError;
        return Attempt::kGiveUp;
    }
    return ReadBody(http, hFile.Get());
}

// Repeats the plain GET on server and network errors until it works, the inactivity
// time-out passes or a stop is asked for; false with the final status when it gives up.
bool CStreamDownload::Request(CHttpClass& http) {
    for (;;) {
        HttpResult nResult = http.HttpRequest(m_settings.strUrl.c_str());
        if (nResult == kHttpOk)
            return true;
        m_nGiveUpStatus = kDownloadFailed;
        if (!IsWorthRetrying(nResult, http.GetCode()) || GivesUp(m_nGiveUpStatus))
            return false;
        // A failing server is not hammered: one retry a second, like the segmented path.
        PauseUnlessStopped(kRetryPauseMs, m_bStop);
    }
}

// Whole when the body ends at its announced length; a retry when it ends short or a read
// fails; giving up on a write error (kDownloadFileError) or a stop (kDownloadStopped).
CStreamDownload::Attempt CStreamDownload::ReadBody(CHttpClass& http, HANDLE hFile) {
    const int64_t i64Announced = http.GetContentLength();
    std::vector<uint8_t> buffer(kBufferBytes);
    for (int64_t i64Received = 0;;) {
        int nCount = http.ReceiveBytes(buffer.data(), kBufferBytes);
        if (nCount == 0)
            return i64Announced < 0 || i64Received == i64Announced ? Attempt::kWhole : Attempt::kRetry;
        if (nCount < 0)
            return Attempt::kRetry;
        i64Received += nCount;
        if (i64Received > m_i64Furthest) {
            m_i64Furthest = i64Received;
            m_activity.Mark();
        }
        DWORD nWritten = 0;
        m_nGiveUpStatus = kDownloadFileError;
        if (!::WriteFile(hFile, buffer.data(), static_cast<DWORD>(nCount), &nWritten, nullptr) ||
            nWritten != static_cast<DWORD>(nCount)) {
            return Attempt::kGiveUp;
        }
        m_nGiveUpStatus = kDownloadStopped;
        if (m_bStop.load())
            return Attempt::kGiveUp;
    }
}

// The whole stream, closed, takes the target's name: kDownloadFinished, or kDownloadFileError
// when that fails.
DownloadStatus CStreamDownload::PutInPlace() {
    const std::string strTarget = m_settings.strTarget;
    if (!::MoveFileExA(GetStreamPath().c_str(), strTarget.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        LOGF(0, "DownloadWhole 下载文件改名失败 %s [%d]\n", strTarget.c_str(), (int)::GetLastError());
        return kDownloadFileError;
    }
    return kDownloadFinished;
}

bool CStreamDownload::GivesUp(DownloadStatus& nStatus) const {
    if (m_activity.IsSilentFor(m_settings.nInactivityMs)) {
        nStatus = kDownloadTimedOut;
    } else if (m_bStop.load()) {
        nStatus = kDownloadStopped;
    } else {
        return false;
    }
    return true;
}
