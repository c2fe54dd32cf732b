#include "Orvane.h"

#include <winsock2.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <gdiplus.h>

#include "CrashDump.h"
#include "Log.h"
#include "Path.h"
#include "StringUtil.h"

const char kSingleInstanceMutex[] = "Global\\VelmoraTesselDownloadInstallTools";

std::string MakeLogFilePath(const std::string& strFolder, const SYSTEMTIME& st) {
    return StrFormat("%slog\\%04d%02d%02d %02d%02d%02d.log", strFolder.c_str(), st.wYear, st.wMonth, st.wDay,
                     st.wHour, st.wMinute, st.wSecond);
}

BOOL COrvaneApp::InitInstance() {
    InstallCrashHandler();

    SYSTEMTIME st;
    ::GetLocalTime(&st);
    SetLogFile(MakeLogFilePath(GetModuleFolder(), st).c_str());
    SetLogLevel(6);
    SetLogFlags(LOG_TIME | LOG_FILE);
    LOGF(0, "下载器启动\n");

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    // COM and Winsock stay up until the process ends.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    LOGF(0, "COrvaneApp %d\n", 107);

    // Never closed: the lock must last as long as this copy runs.
    HANDLE hMutex = ::CreateMutexA(nullptr, TRUE, kSingleInstanceMutex);
    if (!hMutex || ::GetLastError() == ERROR_ALREADY_EXISTS)
        return FALSE;
    LOGF(0, "COrvaneApp %d\n", 125);
    LOGF(0, "COrvaneApp %d\n", 128);

    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplusInput, nullptr);
    LOGF(0, "COrvaneApp %d\n", 134);
    return FALSE;
}

int COrvaneApp::ExitInstance() {
    if (m_gdiplusToken) {
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
        m_gdiplusToken = 0;
    }
    return 0;
}
