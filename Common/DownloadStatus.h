// How a download stands, as its owner reads it from CDownloadManager::GetStatus.
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

// How a segmented run ended, from what its watch loop saw: 6 all blocks done (renaming
// next, even when a stop came at the same time), 3 a block write failed for good (the true
// cause, whatever followed it), 2 all workers ended with blocks missing, 5 stopped, 1 timed out.
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
