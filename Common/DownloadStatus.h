// How a download stands, as its owner reads it from CDownloadManager::GetStatus. The numbers
// are the ones logs and reports carry.
#pragma once

enum DownloadStatus {
    kDownloadFinished = 0,
    kDownloadTimedOut = 1,
    kDownloadFailed = 2,
    kDownloadFileError = 3,
    kDownloadBusy = 4,
    kDownloadStopped = 5,
    kDownloadRenaming = 6,
};

// How a segmented run ended, from what its watch loop saw: renaming when all blocks are done
// (even when a stop came at the same time), a file error when a block write failed for good
// (the true cause, whatever followed it), failed when all workers ended with blocks missing,
// else stopped or timed out.
inline DownloadStatus SegmentedRunStatus(bool bWorkersEnded, bool bComplete, bool bStopped,
                                         bool bWriteFailed) {
    if (bWorkersEnded && bComplete)
        return kDownloadRenaming;
    if (bWriteFailed)
        return kDownloadFileError;
    if (bWorkersEnded)
        return kDownloadFailed;
    return bStopped ? kDownloadStopped : kDownloadTimedOut;
}
