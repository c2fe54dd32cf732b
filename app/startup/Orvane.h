// The application object: start-up does all of the program's work on the main thread and
// returns; shutdown releases what start-up acquired.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "Handles.h"
#include "ImageLoaderThread.h"

class CProductInfoMgr;

class COrvaneApp {
public:
    COrvaneApp() = default;
    COrvaneApp(const COrvaneApp&) = delete;
    COrvaneApp& operator=(const COrvaneApp&) = delete;

    // Runs the whole program; false on every path, as no message loop follows.
    BOOL InitInstance();
    // Returns the process exit code.
    int ExitInstance();

private:
    // The built-in pictures, the loading window and its outcome (with its message when the
    // run ends there), the server pictures. False: the run ends.
    bool LoadConfiguration();
    // Ends the loader of the server pictures, if it runs; waits without limit.
    void StopImageLoader();
    // The main dialog, then the waits for the recommended-install worker and the reports.
    static void RunInstall(const std::string& strInstallDir);

    // Started once the single-instance lock is held; ended after the picture store's release.
    std::optional<CGdiplusSession> m_gdiplus;
    // Fetches the server pictures into the image store; ended before the store's release.
    std::unique_ptr<CImageLoaderThread> m_pImageLoader;
};

// The single-instance lock, held for the life of the process.
extern const char kSingleInstanceMutex[];

// "<folder>log\YYYYMMDD hhmmss.log"; folder ends with a backslash.
std::string MakeLogFilePath(const std::string& strFolder, const SYSTEMTIME& st);

// The picture addresses of a loaded configuration, in the order the loader fetches them.
ImageAddresses GetImageAddresses(const CProductInfoMgr& config);
