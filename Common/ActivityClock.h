// The tick of the last data that arrived for one download, shared by the threads that fetch
// and the thread that watches for silence. A 32-bit tick written and read whole, no lock.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

class CActivityClock {
public:
    // Any thread.
    void Mark() { m_dwLast.store(::GetTickCount()); }
    // True when nothing was marked for longer than nTimeoutMs.
    bool IsSilentFor(int nTimeoutMs) const {
        // The tick first: a fetching thread may store a newer one between the two reads.
        DWORD dwLast = m_dwLast.load();
        return IsPast(dwLast, ::GetTickCount(), nTimeoutMs);
    }
    // The tick against the clock as a signed difference: a tick taken after the clock was
    // read never looks like 49 days ago, and the wrap of the counter is no silence.
    static bool IsPast(DWORD dwLastTick, DWORD dwNow, int nTimeoutMs) {
        return static_cast<int32_t>(dwNow - dwLastTick) > nTimeoutMs;
    }

private:
    std::atomic<DWORD> m_dwLast{::GetTickCount()};
};

// Sleeps up to dwMilliseconds, less when the stop flag is set meanwhile.
inline void PauseUnlessStopped(DWORD dwMilliseconds, const std::atomic<bool>& bStop) {
    for (DWORD dwStart = ::GetTickCount(); ::GetTickCount() - dwStart < dwMilliseconds && !bStop.load();)
        ::Sleep(10);
}
