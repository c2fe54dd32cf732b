// Downloads one remote file to one target path. When the server reports a length, the file
// is fetched in up to five parallel ranges into target + ".kvd" with its block table in
// target + ".kvb", resumable across runs, and renamed to the target at the end. Without a
// length it is streamed whole (CStreamDownload).
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

#include "ActivityClock.h"
#include "DownloadStatus.h"
#include "DownloadThread.h"
#include "OutputFile.h"
#include "WorkerHost.h"
#include "WorkerThread.h"

class CDownloadManager : public IWorkerHost {
public:
    static constexpr int kDefaultInactivityMs = 180000;
    static constexpr int kMaxInfoAttempts = 3;

    CDownloadManager();
    // Stops a download that still runs and waits for its threads.
    ~CDownloadManager();
    CDownloadManager(const CDownloadManager&) = delete;
    CDownloadManager& operator=(const CDownloadManager&) = delete;

    // Owner's thread; not while a download of this object runs. Synchronous: blocks and
    // returns the final status; otherwise returns kDownloadBusy at once.
    DownloadStatus DownloadFile(const char* pszUrl, const char* pszTarget);
    void SetSynchronous(bool bSynchronous) { m_bSynchronous = bSynchronous; }
    // Time without a whole block written (without new data, when streamed whole) after which
    // the download ends with kDownloadTimedOut. Before DownloadFile.
    void SetInactivityTimeout(int nMilliseconds) { m_nInactivityMs = nMilliseconds; }
    // Any thread. A final status (finished, timed out, failed, file error, stopped) is set
    // only after the files are closed.
    DownloadStatus GetStatus() const { return m_nStatus.load(); }
    // Any thread: percent of the total done, 0 while the total is unknown.
    int GetProgress();
    // Any thread: the bytes of blocks done so far, over all runs on the same table.
    int64_t GetDownloadedBytes() const { return m_outputFile.GetDownloaded(); }
    int64_t GetDownloadTime() const { return m_nDownloadTimeMs.load(); }
    int64_t GetTotalBytes() const { return m_i64Total.load(); }
    // Sets the stop flag; in asynchronous mode also waits for the manager's thread.
    void Stop();

    // Any thread: data arrived.
    void MarkActivity() override { m_activity.Mark(); }

private:
    class CManagerThread : public CWorkerThread {
    public:
        explicit CManagerThread(CDownloadManager* pOwner) : m_pOwner(pOwner) {}

    protected:
        void OnExecute() override { m_pOwner->InternalDownloadFile(); }

    private:
        CDownloadManager* m_pOwner;
    };

    // How one pass (size query and one path) ended.
    enum class Pass { kEnded, kStartAfresh };

    // The download itself, on the manager's thread (or the caller's, synchronously).
    bool InternalDownloadFile();
    bool QueryFileInfo();
    bool SupportBreakDownload();
    bool DownloadWhole();
    void ApplyRemoteDate();

    // For the workers, through IWorkerHost.
    const DownloadJob& GetJob() const override { return m_job; }
    COutputFile& GetOutputFile() override { return m_outputFile; }
    void ReportRemoteChanged() override { m_bRemoteChanged.store(true); }
    bool ClaimStream(int nId) override;
    int GetStreamWorker() const override { return m_nStreamWorker.load(); }

    Pass RunPass(bool& bResult);
    // Each request's receive time-out: below the inactivity time-out, so that a silent
    // connection fails its read (and the range is tried again) before the run times out.
    DWORD ReceiveTimeoutMs() const;
    bool StartWorkers(std::vector<HANDLE>& handles);
    bool WatchWorkers(const std::vector<HANDLE>& handles);
    void StopWorkers(const std::vector<HANDLE>& handles);
    bool IsInactive() const { return m_activity.IsSilentFor(m_nInactivityMs); }
    void DiscardPartialFiles();
    // Puts the finished data file in place of the target: kDownloadFinished, or
    // kDownloadFileError when that fails.
    DownloadStatus MoveIntoPlace();

    std::atomic<bool> m_bResumable;
    bool m_bSynchronous;
    int m_nInactivityMs;
    std::atomic<int> m_nDownloadTimeMs;
    std::atomic<int64_t> m_i64Total;
    DownloadJob m_job;
    std::string m_strTarget;
    std::vector<std::unique_ptr<CDownloadThread>> m_workers;
    CActivityClock m_activity;
    COutputFile m_outputFile;
    std::atomic<DownloadStatus> m_nStatus;
    CManagerThread m_thread;
    std::atomic<bool> m_bStop;
    std::atomic<bool> m_bRemoteChanged;
    // The worker that reads the whole file as one stream, 0 while ranges are honoured; for
    // one run.
    std::atomic<int> m_nStreamWorker;
};
