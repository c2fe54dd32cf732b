#include "ReptThread.h"

#include "HttpClass.h"
#include "Log.h"

namespace {
const int kIdleMs = 10;
const int kRetryPauseMs = 50;
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

void CReptThread::OnExecute() {
    while (!IsStopped()) {
        if (GetQueueLength() == 0) {
            SleepFor(kIdleMs);
        } else {
            SendNext(false);
        }
    }
    while (GetQueueLength() > 0) SendNext(true);
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
    if (SendRept(strAddress) == SendOutcome::Retry && !bFinal) {
        CAutoLock lock(m_lock);
        m_queue.push_front(strAddress);
    }
}

CReptThread::SendOutcome CReptThread::SendRept(const std::string& strAddress) {
    CHttpClass http;
    ByteVector answer;
    int nResult = http.SendHttpMsg(strAddress.c_str(), answer);
    if (nResult != 1)
        nResult = http.SendHttpMsg(strAddress.c_str(), answer);
    LOGF(0, "Rept %s Result [%d, %d]\n", strAddress.c_str(), nResult, http.GetCode());
    if (nResult == 1)
        return SendOutcome::Sent;
    if (IsPermanentFailure(nResult, http.GetCode())) {
        LOGF(0, "Rept %s dropped: it cannot succeed [%d, %d]\n", strAddress.c_str(), nResult, http.GetCode());
        return SendOutcome::Drop;
    }
    SleepFor(kRetryPauseMs);
    return SendOutcome::Retry;
}
