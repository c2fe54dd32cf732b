// The single-stream path of a download, for a server that gives no length: one plain GET
// streamed into a file beside the target (target + ".part"), which takes the target's name
// only once the whole body has arrived. No resume: a failed stream leaves nothing behind.
//
// Runs on the caller's thread and blocks until it ends; the stop flag and the activity
// clock are shared with the download manager, which watches neither while this runs.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "ActivityClock.h"
#include "DownloadStatus.h"

class CHttpClass;

class CStreamDownload {
public:
    struct Settings {
        std::string strUrl;
        std::string strTarget;
        int nInactivityMs = 0;
        DWORD dwReceiveTimeoutMs = 0;
    };

    CStreamDownload(const Settings& settings, const std::atomic<bool>& bStop, CActivityClock& activity);

    // The final status: kDownloadFinished (the target in place), kDownloadTimedOut,
    // kDownloadFailed (for good), kDownloadFileError or kDownloadStopped.
    DownloadStatus Run();
    // Milliseconds from the first request to the whole body; valid after a finished Run.
    int GetDownloadTimeMs() const { return m_nDownloadTimeMs; }
    std::string GetStreamPath() const { return m_settings.strTarget + ".part"; }

private:
    // How one attempt ended.
    enum class Attempt { kWhole, kRetry, kGiveUp };

    Attempt FetchOnce();
    bool Request(CHttpClass& http);
    Attempt ReadBody(CHttpClass& http, HANDLE hFile);
    DownloadStatus PutInPlace();
    // Timed out or stopped: true with the final status.
    bool GivesUp(DownloadStatus& nStatus) const;

    const Settings m_settings;
    const std::atomic<bool>& m_bStop;
    CActivityClock& m_activity;
    int m_nDownloadTimeMs = 0;
    // The final status of an attempt that gave up.
    DownloadStatus m_nGiveUpStatus = kDownloadFinished;
    // Only bytes beyond what an earlier attempt reached count as activity, so a server that
    // cuts every answer at the same place ends the run by the time-out.
    int64_t m_i64Furthest = 0;
};
