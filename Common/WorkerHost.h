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

protected:
    virtual ~IWorkerHost() = default;
};
