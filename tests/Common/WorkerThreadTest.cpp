#include "WorkerThread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

// Counts its runs and loops until stopped, sleeping cooperatively.
class CLoopThread : public CWorkerThread {
public:
    std::atomic<int> nRuns{0};
    std::atomic<bool> bSawStop{false};

protected:
    void OnExecute() override {
        ++nRuns;
        while (!IsStopped()) SleepFor(1000);
        bSawStop = true;
    }
};

class CShortThread : public CWorkerThread {
public:
    std::atomic<int> nRuns{0};

protected:
    void OnExecute() override { ++nRuns; }
};

}  // namespace

TEST(WorkerThread, StopEndsALoopingBodyAndWaitForReportsIt) {
    CLoopThread thread;
    ASSERT_NE(thread.Start(), nullptr);
    EXPECT_FALSE(thread.WaitFor(0));
    EXPECT_FALSE(thread.WaitFor(50));
    DWORD dwStart = GetTickCount();
    thread.Stop();
    EXPECT_TRUE(thread.IsStopped());
    EXPECT_TRUE(thread.WaitFor(-1));
    EXPECT_LT(GetTickCount() - dwStart, 500u);
    EXPECT_TRUE(thread.bSawStop);
    EXPECT_TRUE(thread.WaitFor(0));
    thread.CloseThreadHandle();
    EXPECT_EQ(thread.GetThreadHandle(), nullptr);
}

TEST(WorkerThread, SleepForEndsSoonAfterAStopRequest) {
    CShortThread sleeper;
    DWORD dwStart = GetTickCount();
    // Stop the sleeper from another thread after 50 ms.
    struct Ctx {
        CWorkerThread* p;
    } ctx{&sleeper};
    HANDLE hTimer = CreateThread(
        nullptr, 0,
        [](LPVOID p) WINAPI -> DWORD {
            Sleep(50);
            static_cast<Ctx*>(p)->p->Stop();
            return 0;
        },
        &ctx, 0, nullptr);
    ASSERT_NE(hTimer, nullptr);
    sleeper.SleepFor(1000);
    DWORD dwElapsed = GetTickCount() - dwStart;
    WaitForSingleObject(hTimer, INFINITE);
    CloseHandle(hTimer);
    EXPECT_GE(dwElapsed, 40u);
    EXPECT_LT(dwElapsed, 200u);
}

TEST(WorkerThread, StartClearsAnOldStopFlagAndRunsAgain) {
    CShortThread thread;
    thread.Stop();
    ASSERT_NE(thread.Start(), nullptr);
    EXPECT_FALSE(thread.IsStopped());
    ASSERT_TRUE(thread.WaitFor(5000));
    ASSERT_NE(thread.Start(), nullptr);
    ASSERT_TRUE(thread.WaitFor(5000));
    EXPECT_EQ(thread.nRuns, 2);
}

namespace {
bool IsOpenHandle(HANDLE h) {
    DWORD dwFlags = 0;
    return GetHandleInformation(h, &dwFlags) != FALSE;
}
}  // namespace

TEST(WorkerThread, RunsAndObjectsLeaveNoHandlesBehind) {
    HANDLE hFirst = nullptr;
    {
        CShortThread thread;
        hFirst = thread.Start();
        ASSERT_TRUE(thread.WaitFor(5000));
        EXPECT_TRUE(IsOpenHandle(hFirst));
        // A new run closes the ended one's handle (its value may come back for the new one).
        HANDLE hSecond = thread.Start();
        ASSERT_TRUE(thread.WaitFor(5000));
        if (hSecond != hFirst) {
            EXPECT_FALSE(IsOpenHandle(hFirst));
        }
        hFirst = hSecond;
    }
    // The destructor closes it without waiting for anything.
    EXPECT_FALSE(IsOpenHandle(hFirst));
    // Nothing started: nothing to wait for.
    CShortThread idle;
    EXPECT_TRUE(idle.WaitFor(0));
    EXPECT_EQ(idle.GetThreadHandle(), nullptr);
}
