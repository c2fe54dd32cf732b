// The application object: start-up does all of the program's work on the main thread and
// returns; shutdown releases what start-up acquired.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "Handles.h"

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
    static bool LoadConfiguration();
    // The main dialog, then the waits for the recommended-install worker and the reports.
    static void RunInstall(const std::string& strInstallDir);

    // Started once the single-instance lock is held; ended after the picture store's release.
    std::optional<CGdiplusSession> m_gdiplus;
};

// The single-instance lock, held for the life of the process.
extern const char kSingleInstanceMutex[];

// "<folder>log\YYYYMMDD hhmmss.log"; folder ends with a backslash.
std::string MakeLogFilePath(const std::string& strFolder, const SYSTEMTIME& st);
