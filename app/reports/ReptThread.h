// Sends the event reports in the background, strictly one at a time and in the order they
// were made. Every attempt is two requests when the first fails. A report that still fails
// stays at the head and is tried again after a 50 ms pause, unless the failure is one that
// can never pass (a client error other than 408 and 429, or an address the client refuses):
// that one is logged and dropped so it cannot block the rest. After Stop, every report
// still queued gets one last attempt.
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

    // Whether a failed request can never succeed as it stands: the client refused the
    // address, or the server answered a client error other than time-out and too-many.
    static bool IsPermanentFailure(int nResult, int nCode);

protected:
    void OnExecute() override;
    // One attempt: a GET and, when it fails, one more at once. Logs the outcome.
    // Virtual so that a test can count attempts without a server.
    virtual SendOutcome SendRept(const std::string& strAddress);

private:
    void SendNext(bool bFinal);

    CCriticalSection m_lock;
    std::deque<std::string> m_queue;
};
