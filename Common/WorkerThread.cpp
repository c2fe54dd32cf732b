#include "WorkerThread.h"

#include <process.h>

CWorkerThread::CWorkerThread() : m_hThread(nullptr), m_bStop(false) {}

CWorkerThread::~CWorkerThread() {
    CloseThreadHandle();
}

HANDLE CWorkerThread::Start() {
    m_bStop.store(false);
    // The previous run has ended (the contract of Start), so its handle is only a leak now.
    CloseThreadHandle();
    // _beginthreadex rather than CreateThread: the body uses the C runtime.
    uintptr_t h = _beginthreadex(nullptr, 0, &CWorkerThread::ThreadEntry, this, 0, nullptr);
    m_hThread = reinterpret_cast<HANDLE>(h);
    return m_hThread;
}

unsigned __stdcall CWorkerThread::ThreadEntry(void* pParam) {
    static_cast<CWorkerThread*>(pParam)->OnExecute();
    return 0;
}

bool CWorkerThread::WaitFor(int nMilliseconds) {
    if (!m_hThread)
        return true;
    DWORD dwWait = nMilliseconds < 0 ? INFINITE : static_cast<DWORD>(nMilliseconds);
    return ::WaitForSingleObject(m_hThread, dwWait) == WAIT_OBJECT_0;
}

void CWorkerThread::SleepFor(int nMilliseconds) {
    DWORD dwStart = ::GetTickCount();
    while (!IsStopped() && static_cast<int>(::GetTickCount() - dwStart) < nMilliseconds) {
        ::Sleep(10);
    }
}

void CWorkerThread::CloseThreadHandle() {
    if (m_hThread) {
        ::CloseHandle(m_hThread);
        m_hThread = nullptr;
    }
}
