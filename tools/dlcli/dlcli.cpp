// Command-line front end of the download engine: fetches one URL to one target path with
// CDownloadManager in its asynchronous mode, printing progress about twice a second.
//
//   dlcli [--timeout-ms N] [--log FILE] URL TARGET
//
// Output: "progress P% bytes B/T status S" lines, then "final status S bytes B time T ms".
// The exit code is the final status (0 finished, 1 timed out, 2 failed, 3 local file error,
// 5 stopped); 64 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "DownloadManager.h"
#include "Log.h"
#include "StringUtil.h"

namespace {

const int kUsageError = 64;
const DWORD kPollMs = 20;
const DWORD kPrintMs = 500;

struct Options {
    int nTimeoutMs = CDownloadManager::kDefaultInactivityMs;
    std::string strLog;
    std::string strUrl;
    std::string strTarget;
};

bool ParseArgs(int argc, char** argv, Options& options) {
    int nPositional = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--timeout-ms") == 0 && i + 1 < argc) {
            options.nTimeoutMs = atoi(argv[++i]);
            if (options.nTimeoutMs <= 0)
                return false;
        } else if (strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            options.strLog = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return false;
        } else if (nPositional == 0) {
            options.strUrl = argv[i];
            ++nPositional;
        } else if (nPositional == 1) {
            options.strTarget = argv[i];
            ++nPositional;
        } else {
            return false;
        }
    }
    return nPositional == 2;
}

void PrintProgress(CDownloadManager& manager, int nStatus) {
    int nPercent = manager.GetProgress();
    fputs(StrFormat("progress %d%% bytes %I64d/%I64d status %d\n", nPercent, manager.GetDownloadedBytes(),
                    manager.GetTotalBytes(), nStatus)
              .c_str(),
          stdout);
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArgs(argc, argv, options)) {
        fprintf(stderr, "usage: dlcli [--timeout-ms N] [--log FILE] URL TARGET\n");
        return kUsageError;
    }
    if (!options.strLog.empty()) {
        SetLogLevel(6);
        SetLogFlags(LOG_TIME | LOG_FILE);
        SetLogFile(options.strLog.c_str());
    } else {
        SetLogFlags(0);
    }
    CDownloadManager manager;
    manager.SetInactivityTimeout(options.nTimeoutMs);
    manager.DownloadFile(options.strUrl.c_str(), options.strTarget.c_str());
    // Polled finely so that the end is seen at once; progress is printed twice a second.
    int nStatus = manager.GetStatus();
    DWORD dwLastPrint = ::GetTickCount();
    while (nStatus == kDownloadBusy || nStatus == kDownloadRenaming) {
        ::Sleep(kPollMs);
        nStatus = manager.GetStatus();
        if (::GetTickCount() - dwLastPrint >= kPrintMs) {
            PrintProgress(manager, nStatus);
            dwLastPrint = ::GetTickCount();
        }
    }
    fputs(StrFormat("final status %d bytes %I64d time %I64d ms\n", nStatus, manager.GetDownloadedBytes(),
                    manager.GetDownloadTime())
              .c_str(),
          stdout);
    fflush(stdout);
    return nStatus;
}
