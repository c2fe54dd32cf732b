#include "Orvane.h"

#include <winsock2.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include "CrashDump.h"
#include "ImageMgr.h"
#include "KavvikMsgBoxDlg.h"
#include "Log.h"
#include "OrvaneDlg.h"
#include "Path.h"
#include "ProductInfoMgr.h"
#include "ProductTable.h"
#include "StartDlg.h"
#include "StringUtil.h"

const char kSingleInstanceMutex[] = "Global\\VelmoraTesselDownloadInstallTools";

std::string MakeLogFilePath(const std::string& strFolder, const SYSTEMTIME& st) {
    return StrFormat("%slog\\%04d%02d%02d %02d%02d%02d.log", strFolder.c_str(), st.wYear, st.wMonth, st.wDay,
                     st.wHour, st.wMinute, st.wSecond);
}

ImageAddresses GetImageAddresses(const CProductInfoMgr& config) {
    ImageAddresses addresses;
    addresses.strFirst = config.GetFirstImageUrl();
    for (size_t i = 0; i < config.GetImageCount(); ++i) addresses.slides.push_back(config.GetImageUrl(i));
    addresses.strLast = config.GetLastImageUrl();
    return addresses;
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

    m_gdiplus.emplace();
    LOGF(0, "COrvaneApp %d\n", 134);

    if (!LoadConfiguration())
        return FALSE;
    CProductInfoMgr& config = CProductInfoMgr::Instance();
    RunInstall(FindEarlierInstallFolder(config.GetUninstallKeyName(), config.GetProductName()));
    return FALSE;
}

bool COrvaneApp::LoadConfiguration() {
    if (!CImageMgr::Instance().LoadFromResources())
        return false;
    LOGF(0, "COrvaneApp %d\n", 141);
    CStartDlg startDlg;
    startDlg.DoModal(nullptr);
    if (startDlg.m_nResult == CStartDlg::kNothingToInstall) {
        ShowMsgBox(nullptr, "已安装所有产品，无需安装。");
        return false;
    }
    if (startDlg.m_nResult == CStartDlg::kFailed) {
        ShowMsgBox(nullptr, "安装失败。");
        return false;
    }
    LOGF(0, "CImageMgr::Instance().LoadFromServer()\n");
    m_pImageLoader = std::make_unique<CImageLoaderThread>(CImageMgr::Instance(),
                                                          GetImageAddresses(CProductInfoMgr::Instance()));
    m_pImageLoader->Start();
    LOGF(0, "CImageMgr::Instance().LoadFromServer() Success\n");
    return true;
}

void COrvaneApp::RunInstall(const std::string& strInstallDir) {
    COrvaneDlg dlg;
    if (!strInstallDir.empty())
        dlg.SetInstallPath(strInstallDir);
    LOGF(0, "DoModal\n");
    dlg.DoModal(nullptr);
    // The recommended products are installed after the window has gone; then the reports
    // still queued get their last chance.
    dlg.WaitForRecommended();
    CProductInfoMgr::Instance().Shutdown();
}

int COrvaneApp::ExitInstance() {
    // Every window that draws from the store has gone; GDI+ must still run.
    StopImageLoader();
    CImageMgr::Instance().Release();
    m_gdiplus.reset();
    return 0;
}

void COrvaneApp::StopImageLoader() {
    if (!m_pImageLoader)
        return;
    m_pImageLoader->Stop();
    m_pImageLoader->WaitFor(-1);
    m_pImageLoader->CloseThreadHandle();
    m_pImageLoader.reset();
}
