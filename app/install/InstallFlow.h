// The install run's plain logic: what the main dialog computes and starts, kept out of its
// window procedure. Everything here may be called from any thread unless it says otherwise;
// nothing touches a window.
#pragma once

#include <windows.h>

#include <string>

#include "ImageSource.h"

// The progress bar: the download fills 0-95, the installer climbs 95-99, 100 is its exit.
constexpr int kProgressInstallStart = 95;
constexpr int kProgressInstallCap = 99;
constexpr int kProgressInstallDone = 100;

// Bar value for a download percentage 0-100 (10 -> 19, 20 -> 38, 60 -> 66, 100 -> 95).
int MapDownloadProgress(int nPercent);
// Bar value while the installer runs: 95 plus the whole seconds since it started, at most 99.
int InstallPhaseProgress(DWORD dwElapsedMs);

// The slide after nCurrent among nCount: 1, 2, ..., n-1, 1, ...; 0 stays 0 with one slide;
// nCurrent unchanged with none.
int NextSlideIndex(int nCurrent, int nCount);

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

// The part of the shared background picture behind a page: rcInClient is the page's rectangle
// in the main dialog's client co-ordinates, nClientW x nClientH the client size. False when
// the client area is empty or the picture has no size.
bool ComputeBackgroundSlice(const RECT& rcInClient, int nClientW, int nClientH, const ImageEntry& background,
                            ImageEntry& slice);

// The main dialog is dragged by the top of its client area.
constexpr int kTitleBandHeight = 71;
bool IsInTitleBand(int nClientY);

// A file name for what a URL names, safe to put inside the Install folder: the text after the
// last '/' of the address without its query and fragment, percent-decoded once. A name that
// holds a separator, a reserved or control character, is only dots, names a device or is
// longer than a file name may sensibly be gives strFallback instead. Never a path.
std::string SafeFileNameFromUrl(const std::string& strUrl, const std::string& strFallback = "setup.exe");
// strInstallDir + "\Install\" + the safe file name of strUrl.
std::string InstallerPathFor(const std::string& strInstallDir, const std::string& strUrl,
                             const std::string& strFallback = "setup.exe");
// The Install folder inside strInstallDir (no trailing backslash).
std::string InstallerFolderFor(const std::string& strInstallDir);
// "%c:\Program Files\" + product name, the default when no earlier install was found.
std::string DefaultInstallFolder(char chDrive, const std::string& strProductName);

// The installer's parameters "/S /AUTOSTART=%s /COMMENDER_ID=%s /D=%s": the folder unquoted
// and last, as installers read everything after "/D=" as the folder.
std::string BuildInstallerParameters(bool bAutoStart, const std::string& strPromotionSummary,
                                     const std::string& strInstallDir);
// Starts the installer hidden; logs the start and a failure. The caller owns the handle;
// null when nothing started.
HANDLE LaunchInstallProgram(const std::string& strInstallerPath, const std::string& strParameters);

// The product-name table (1-8); null for any other id.
const char* ProductTableName(int nProductId);
// The name the product's uninstall entry begins with: the table name, followed by
// "视频社区" except for Kavvik; empty for an id outside the table.
std::string ProductRegistryName(int nProductId);
// Whether the installer left the product registered. Ids outside 1-8 are failures without a
// registry search.
bool CheckProductInstalled(int nProductId);

// Starts the client AddBackslash(strInstallDir) + strExecute by its full path (so a folder
// with blanks never starts another program), in the client's own folder. Logs the attempt,
// a failure and the outcome. True when the process was created; its handles are closed.
bool LaunchKavvik(const std::string& strInstallDir, const std::string& strExecute);

// The folder of an earlier install: the uninstall entry's folder (used even when its icon file
// is gone), else the App Paths "KavvikPath" of the product; every '/' turned into '\'.
// Empty when neither names one.
std::string FindEarlierInstallFolder(const std::string& strUninstallKeyName,
                                     const std::string& strProductName);

// recinst of the install report: bit i for each chosen recommended product (i < 3).
int RecommendBits(const int bRecommend[3]);
