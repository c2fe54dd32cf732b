// Base of every background thread: one object, one thread, one overridable body and a
// cooperative stop flag that the body polls.
//
// Owners stop a thread with Stop, WaitFor(-1), CloseThreadHandle, then destroy the object.
// The object must outlive its thread; the destructor neither stops nor waits.
#pragma once

#include <windows.h>

#include <atomic>

class CWorkerThread {
public:
    CWorkerThread();
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Clears the stop flag and starts a new thread running OnExecute. Owner's thread only;
    // the previous run, if any, must have ended. Returns the thread handle, or null.
    HANDLE Start();
    // Sets the stop flag and returns at once. Any thread, the body included.
    void Stop() { m_bStop.store(true); }
    bool IsStopped() const { return m_bStop.load(); }
    // True when the thread has ended within nMilliseconds (negative: no limit), or when no
    // thread was started.
    bool WaitFor(int nMilliseconds);
    // Sleeps in 10 ms steps; returns early, within about 10 ms, once the stop flag is set.
    void SleepFor(int nMilliseconds);
    void CloseThreadHandle();
    HANDLE GetThreadHandle() const { return m_hThread; }

protected:
    virtual void OnExecute() {}

private:
    static unsigned __stdcall ThreadEntry(void* pParam);

    HANDLE m_hThread;
    std::atomic<bool> m_bStop;
};
