// Sends the event reports in the background, strictly one at a time and in the order they
// were made. A report that fails for a passing reason (network error, 5xx) stays at the
// head and is tried again after a 50 ms pause; one that can never succeed (a 4xx answer,
// an address the client rejects) is logged and dropped so it cannot block the rest. After
// Stop, every report still queued gets one last attempt.
#pragma once

#include <deque>
#include <string>

#include "Handles.h"
#include "WorkerThread.h"

class CReptThread : public CWorkerThread {
public:
    enum class SendOutcome { Sent, Retry, Drop };

    // Appends at the tail and returns at once. Any thread.
    void AddRept(const std::string& strAddress);
    // Reports waiting, the one being sent excluded. Any thread.
    size_t GetQueueLength();

    // Whether a failed report is worth another try: network errors and 5xx answers.
    static bool IsWorthRetrying(int nResult, int nCode);

protected:
    void OnExecute() override;
    // One attempt: a GET and, for a passing failure, one more at once. Logs the outcome.
    // Virtual so that a test can count attempts without a server.
    virtual SendOutcome SendRept(const std::string& strAddress);

private:
    void SendNext(bool bFinal);

    CCriticalSection m_lock;
    std::deque<std::string> m_queue;
};
