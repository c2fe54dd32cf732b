// What a download worker needs of the segmented run it belongs to, and all it may ask of it.
// The download manager implements it; workers call it from their own threads.
#pragma once

#include <windows.h>

#include <string>

class COutputFile;

// Fixed for the life of one run's workers.
struct DownloadJob {
    std::string strUrl;
    // The date the size query returned; zero when the server sent none.
    FILETIME ftRemote = {};
    // Each request's receive time-out, below the run's inactivity time-out.
    DWORD dwReceiveTimeoutMs = 0;
};

class IWorkerHost {
public:
    virtual const DownloadJob& GetJob() const = 0;
    // The shared sink; its operations lock themselves.
    virtual COutputFile& GetOutputFile() = 0;
    // Data arrived: the run is not silent.
    virtual void MarkActivity() = 0;
    // An answer is dated otherwise than the size query: the file has changed on the server.
    virtual void ReportRemoteChanged() = 0;
    // The server ignored a Range: from now on the run is one stream from byte 0, held by the
    // first worker that claims it. True when nId holds it (now or already).
    virtual bool ClaimStream(int nId) = 0;
    // The worker that holds the one stream, or 0 while the server honours ranges.
    virtual int GetStreamWorker() const = 0;

protected:
    virtual ~IWorkerHost() = default;
};
