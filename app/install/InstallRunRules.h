// The install run's rules as plain functions: the progress bar's values, what a failed
// download leads to and the recommended-product bits of the install report. Nothing here
// touches a window or a file; any thread may call them.
#pragma once

#include <windows.h>

// The progress bar: the download fills 0-95, the installer climbs 95-99, 100 is its exit.
constexpr int kProgressInstallStart = 95;
constexpr int kProgressInstallCap = 99;
constexpr int kProgressInstallDone = 100;

// Bar value for a download percentage 0-100 (10 -> 19, 20 -> 38, 60 -> 66, 100 -> 95).
int MapDownloadProgress(int nPercent);
// Bar value while the installer runs: 95 plus the whole seconds since it started, at most 99.
int InstallPhaseProgress(DWORD dwElapsedMs);

// The failure kind of a download whose installer is not the maker's (bad or missing signature,
// another signer, unreadable): handled like a failed download of that address.
constexpr int kDownloadUntrusted = 7;

// What a failed download leads to. nFailCount counts this failure too.
struct DownloadFailureDecision {
    bool bRetry;             // download installUrl2 now and report downloadfailed
    const char* pszMessage;  // without a retry: the message to show, null for none
};
DownloadFailureDecision DecideDownloadFailure(int nFailCount, int nStatus);
// The user's message for a final download failure of that status; null when none is shown.
const char* DownloadFailureMessage(int nStatus);

// recinst of the install report: bit i for each chosen recommended product (i < 3).
int RecommendBits(const int bRecommend[3]);
