// Downloads one remote file to one target path. When the server reports a length, the file
// is fetched in up to five parallel ranges into target + ".kvd" with its block table in
// target + ".kvb", resumable across runs, and renamed to the target at the end. Without a
// length it is streamed with one plain GET into target + ".part", renamed once whole.
//
// By default DownloadFile starts the manager's own thread and returns at once; the owner
// polls GetStatus and GetProgress from its thread. In synchronous mode DownloadFile runs the
// whole download on the caller's thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DownloadThread.h"
#include "OutputFile.h"
#include "WorkerThread.h"

enum DownloadStatus {
    kDownloadFinished = 0,
    kDownloadTimedOut = 1,
    kDownloadFailed = 2,
    kDownloadFileError = 3,
    kDownloadBusy = 4,
    kDownloadStopped = 5,
    kDownloadRenaming = 6,
};

class CDownloadManager {
public:
    static constexpr int kDefaultInactivityMs = 180000;
    static constexpr int kMaxInfoAttempts = 3;

    CDownloadManager();
    // Stops a download that still runs and waits for its threads.
    ~CDownloadManager();
    CDownloadManager(const CDownloadManager&) = delete;
    CDownloadManager& operator=(const CDownloadManager&) = delete;

    // Owner's thread; not while a download of this object runs. Synchronous: blocks and
    // returns the outcome of InternalDownloadFile; otherwise returns 0 at once.
    int DownloadFile(const char* pszUrl, const char* pszTarget);
    void SetSynchronous(bool bSynchronous) { m_bSynchronous = bSynchronous; }
    // Time without a whole block written (without new data, when streamed whole) after which
    // the download ends with status 1. Before DownloadFile.
    void SetInactivityTimeout(int nMilliseconds) { m_nInactivityMs = nMilliseconds; }
    // Any thread. A final status (0, 1, 2, 3, 5) is set only after the files are closed.
    int GetStatus() const { return m_nStatus.load(); }
    // Any thread: percent of the total done, 0 while the total is unknown.
    int GetProgress();
    int64_t GetDownloadTime() const { return m_nDownloadTimeMs.load(); }
    int64_t GetTotalBytes() const { return m_i64Total.load(); }
    // Sets the stop flag; in asynchronous mode also waits for the manager's thread.
    void Stop();

    // The download itself, on the manager's thread (or the caller's, synchronously).
    bool InternalDownloadFile();
    bool QueryFileInfo();
    bool SupportBreakDownload();
    bool DownloadWhole();
    void ApplyRemoteDate();

    // For the workers, from their threads.
    void MarkActivity() { m_dwLastActivity.store(::GetTickCount()); }
    const std::string& GetUrl() const { return m_strUrl; }
    COutputFile& GetOutputFile() { return m_outputFile; }
    // The date the size query returned (zero when the server sent none); fixed while the
    // workers run.
    const FILETIME& GetRemoteDate() const { return m_ftRemote; }
    // Each request's receive time-out: below the inactivity time-out, so that a silent
    // connection fails its read (and the range is tried again) before the run times out.
    DWORD GetReceiveTimeoutMs() const;
    // A worker saw an answer dated otherwise than the size query: the file has changed on the
    // server. The run ends and starts afresh once.
    void ReportRemoteChanged() { m_bRemoteChanged.store(true); }
    // Whether the date of one answer shows a file other than the one the size query saw.
    bool IsOtherDate(const FILETIME& ftAnswer) const;

    // The tick of the last activity against the clock, as a signed difference: a tick taken
    // after the clock was read never looks like 49 days ago.
    static bool IsPast(DWORD dwLastTick, DWORD dwNow, int nTimeoutMs);
    // A 5xx answer or a network error: worth another attempt.
    static bool IsWorthRetrying(int nResult, int nCode);
    // How a segmented run ended, from what the watch loop saw: 6 complete (rename next),
    // 2 blocks missing, 5 stopped, 1 timed out.
    static int RunOutcome(bool bFinished, bool bComplete, bool bStopped);
    // Puts the finished data file in place of the target: 0, or 3 when that fails.
    int MoveIntoPlace();

private:
    class CManagerThread : public CWorkerThread {
    public:
        explicit CManagerThread(CDownloadManager* pOwner) : m_pOwner(pOwner) {}

    protected:
        void OnExecute() override { m_pOwner->InternalDownloadFile(); }

    private:
        CDownloadManager* m_pOwner;
    };

    bool StartWorkers(std::vector<HANDLE>& handles);
    bool WatchWorkers(const std::vector<HANDLE>& handles);
    void StopWorkers(const std::vector<HANDLE>& handles);
    bool IsInactive() const;
    bool RunOnce();
    void DiscardPartialFiles();
    int FetchWholeOnce(int64_t& i64Furthest);
    int ReadWholeBody(CHttpClass& http, HANDLE hTarget, int64_t& i64Furthest);
    bool RequestWhole(CHttpClass& http);
    // The single stream is written beside the target and renamed to it once whole.
    std::string StreamPath() const;
    int PutStreamInPlace();
    int GiveUpStatus() const;
    void PauseUnlessStopped(DWORD dwMilliseconds);

    std::atomic<bool> m_bResumable;
    bool m_bSynchronous;
    int m_nInactivityMs;
    std::atomic<int> m_nDownloadTimeMs;
    std::atomic<int64_t> m_i64Total;
    FILETIME m_ftRemote;
    std::string m_strUrl;
    std::string m_strTarget;
    std::vector<std::unique_ptr<CDownloadThread>> m_workers;
    std::atomic<DWORD> m_dwLastActivity;
    COutputFile m_outputFile;
    std::atomic<int> m_nStatus;
    CManagerThread m_thread;
    std::atomic<bool> m_bStop;
    std::atomic<bool> m_bRemoteChanged;
};
