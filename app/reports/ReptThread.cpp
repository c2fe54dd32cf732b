#include "ReptThread.h"

#include <algorithm>

#include "HttpClass.h"
#include "Log.h"
#include "ReportRequest.h"
#include "ReportRetry.h"

namespace {

const int kIdleMs = 10;
// Beyond the flush bound: the last request's thread is given up within a slice of it.
const DWORD kFinishGraceMs = 2000;

// The server answered, and asked to be asked later.
bool IsComeBackLater(int nResult, int nCode) {
    return nResult == kHttpBadStatus && ((nCode >= 500 && nCode <= 599) || nCode == 408 || nCode == 429);
}

}  // namespace

void CReptThread::AddRept(const std::string& strAddress) {
    CAutoLock lock(m_lock);
    m_queue.push_back(strAddress);
}

size_t CReptThread::GetQueueLength() {
    CAutoLock lock(m_lock);
    return m_queue.size();
}

bool CReptThread::IsPermanentFailure(int nResult, int nCode) {
    const int kBadAddress = -3, kStatusRefused = -5;
    if (nResult == kBadAddress)
        return true;
    return nResult == kStatusRefused && nCode >= 400 && nCode <= 499 && nCode != 408 && nCode != 429;
}

bool CReptThread::Finish() {
    Stop();
    if (WaitFor(static_cast<int>(kFlushBoundMs + kFinishGraceMs)))
        return true;
    LOGF(0, "CReptThread did not end within %u ms\n", static_cast<unsigned>(kFlushBoundMs + kFinishGraceMs));
    DropQueued("the program ends");
    return false;
}

void CReptThread::OnExecute() {
    m_random.seed(::GetTickCount() ^ (::GetCurrentProcessId() << 16) ^ ::GetCurrentThreadId());
    while (!IsStopped()) {
        if (GetQueueLength() == 0) {
            SleepFor(kIdleMs);
        } else {
            SendNext(false);
        }
    }
    while (GetQueueLength() > 0) {
        if (FlushMsLeft() == 0) {
            DropQueued("no time left at shutdown");
            break;
        }
        SendNext(true);
    }
}

void CReptThread::SendNext(bool bFinal) {
    std::string strAddress;
    bool bTaken = false;
    {
        CAutoLock lock(m_lock);
        if (!m_queue.empty()) {
            strAddress = m_queue.front();
            m_queue.pop_front();
            bTaken = true;
        }
    }
    if (!bTaken || strAddress.empty())
        return;
    if (SendRept(strAddress) != SendOutcome::Retry) {
        m_nFailures = 0;
        return;
    }
    if (bFinal) {
        LOGF(0, "Rept %s dropped: its last attempt failed\n", strAddress.c_str());
        return;
    }
    {
        CAutoLock lock(m_lock);
        m_queue.push_front(strAddress);
    }
    ++m_nFailures;
    SleepFor(
        static_cast<int>(RetryPauseMs(m_nFailures, m_dwRetryAfterMs, static_cast<uint32_t>(m_random()))));
}

CReptThread::SendOutcome CReptThread::SendRept(const std::string& strAddress) {
    if (CReportRequest::Running() >= CReportRequest::kMaxHanging) {
        LOGF(0, "Rept %s waits: %d earlier requests still hang\n", strAddress.c_str(),
             CReportRequest::Running());
        m_dwRetryAfterMs = 0;
        return SendOutcome::Retry;
    }
    ReportAnswer answer;
    Request(strAddress, answer);
    // Once more at once, unless the server asked for later or did not answer in time.
    bool bTimedOut = answer.nResult == kHttpPlatformError && answer.nCode == ERROR_INTERNET_TIMEOUT;
    if (answer.nResult != kHttpOk && !bTimedOut && !IsComeBackLater(answer.nResult, answer.nCode))
        Request(strAddress, answer);
    LOGF(0, "Rept %s Result [%d, %d]\n", strAddress.c_str(), answer.nResult, answer.nCode);
    if (answer.nResult == kHttpOk)
        return SendOutcome::Sent;
    if (IsPermanentFailure(answer.nResult, answer.nCode)) {
        LOGF(0, "Rept %s dropped: it cannot succeed [%d, %d]\n", strAddress.c_str(), answer.nResult,
             answer.nCode);
        return SendOutcome::Drop;
    }
    SYSTEMTIME stNow;
    ::GetSystemTime(&stNow);
    m_dwRetryAfterMs =
        IsComeBackLater(answer.nResult, answer.nCode) ? ParseRetryAfterMs(answer.strRetryAfter, stNow) : 0;
    return SendOutcome::Retry;
}

void CReptThread::Request(const std::string& strAddress, ReportAnswer& answer) {
    const DWORD dwStart = ::GetTickCount();
    if (!CReportRequest::Send(
            strAddress, [this, dwStart] { return MsLeft(dwStart); }, answer)) {
        answer = ReportAnswer();
        answer.nResult = kHttpPlatformError;
        answer.nCode = ERROR_INTERNET_TIMEOUT;
    }
}

DWORD CReptThread::MsLeft(DWORD dwStart) {
    DWORD dwElapsed = ::GetTickCount() - dwStart;
    DWORD dwLeft = dwElapsed < kRequestDeadlineMs ? kRequestDeadlineMs - dwElapsed : 0;
    return IsStopped() ? std::min(dwLeft, FlushMsLeft()) : dwLeft;
}

DWORD CReptThread::FlushMsLeft() {
    if (!m_bFlushing) {
        m_bFlushing = true;
        m_dwFlushStart = ::GetTickCount();
    }
    DWORD dwElapsed = ::GetTickCount() - m_dwFlushStart;
    return dwElapsed < kFlushBoundMs ? kFlushBoundMs - dwElapsed : 0;
}

void CReptThread::DropQueued(const char* pszWhy) {
    std::deque<std::string> dropped;
    {
        CAutoLock lock(m_lock);
        dropped.swap(m_queue);
    }
    for (const std::string& strAddress : dropped)
        LOGF(0, "Rept %s dropped: %s\n", strAddress.c_str(), pszWhy);
}
