// Sends the event reports in the background, strictly one at a time and in the order they
// were made. Each request is given up after kRequestDeadlineMs, whatever the server does. A
// report whose request fails stays at the head and is asked again after a pause that grows
// with each failure in a row (ReportRetry.h); first it is asked again once at once, unless
// the server asked for later (5xx, 408, 429) or gave no answer in time. A failure that can never pass (a
// client error other than 408 and 429, or an address the client refuses) is logged and dropped so it cannot
// block the rest. After a stop, the reports still queued get one last attempt each within kFlushBoundMs of
// the stop; what is left then is logged and dropped.
#pragma once

#include <deque>
#include <random>
#include <string>

#include "Handles.h"
#include "WorkerThread.h"

struct ReportAnswer;

class CReptThread : public CWorkerThread {
public:
    enum class SendOutcome { Sent, Retry, Drop };

    static constexpr DWORD kRequestDeadlineMs = 10000;
    static constexpr DWORD kFlushBoundMs = 3000;

    // Appends at the tail and returns at once. Any thread.
    void AddRept(const std::string& strAddress);
    // Reports waiting, the one being sent excluded. Any thread.
    size_t GetQueueLength();
    // Stops the thread and waits for it a little longer than kFlushBoundMs. False when it has
    // not ended even then: the reports still queued are logged and dropped, and the thread
    // is left to end with the process, so this object must then outlive the process's end.
    // Owner's thread.
    bool Finish();

    // Whether a failed request can never succeed as it stands: the client refused the
    // address, or the server answered a client error other than time-out and too-many.
    static bool IsPermanentFailure(int nResult, int nCode);

protected:
    void OnExecute() override;
    // One attempt: a GET and, unless the server asked for later or gave no answer in time,
    // one more at once. Logs the outcome. Virtual so that a test can hold a report. Report
    // thread.
    virtual SendOutcome SendRept(const std::string& strAddress);

private:
    void SendNext(bool bFinal);
    // One request, given up when MsLeft(its start) reaches 0; no answer counts as -4 with
    // ERROR_INTERNET_TIMEOUT.
    void Request(const std::string& strAddress, ReportAnswer& answer);
    // What a request started at dwStart may still take: the rest of its deadline, and once a
    // stop has been seen, no more than the rest of the flush bound.
    DWORD MsLeft(DWORD dwStart);
    DWORD FlushMsLeft();
    void DropQueued(const char* pszWhy);

    CCriticalSection m_lock;
    std::deque<std::string> m_queue;
    // Report thread only.
    int m_nFailures = 0;
    DWORD m_dwRetryAfterMs = 0;
    bool m_bFlushing = false;
    DWORD m_dwFlushStart = 0;
    std::minstd_rand m_random;
};
