// configcli: runs the whole configuration loading of the program against the configured
// servers with a hidden window, prints every field of the configuration manager and the
// outcome command as JSON (UTF-8) on standard output, sends the reports asked for, waits
// for the report thread to finish and exits (0 when a completion command arrived).
//
//   configcli [--server BASE] [--report EVENT[=ARGS]]...
//
// --server sets ORVANE_SERVER_BASE for this run. EVENT is one of start, startdown,
// downloadcomplete=DLTIME, downloadfailed=ERR, installcomplete=DL,INST,HOME,REC,
// installcompletefail=DL,INST,HOME,REC, clientstart, clientstartfail.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Handles.h"
#include "JsonText.h"
#include "ProductInfoMgr.h"

namespace {

const int kLoadTimeoutMs = 120000;

struct ReportRequest {
    std::string strEvent;
    int nArgs[4] = {0, 0, 0, 0};
    int nArgCount = 0;
};

bool ParseReport(const std::string& strArgument, ReportRequest& report) {
    size_t nEquals = strArgument.find('=');
    report.strEvent = strArgument.substr(0, nEquals);
    if (nEquals != std::string::npos) {
        const char* p = strArgument.c_str() + nEquals + 1;
        while (report.nArgCount < 4 && *p) {
            char* pEnd = nullptr;
            report.nArgs[report.nArgCount++] = static_cast<int>(strtol(p, &pEnd, 10));
            if (pEnd == p || (*pEnd && *pEnd != ','))
                return false;
            p = *pEnd ? pEnd + 1 : pEnd;
        }
    }
    static const struct {
        const char* pszEvent;
        int nArgs;
    } kEvents[] = {{"start", 0},          {"startdown", 0},       {"downloadcomplete", 1},
                   {"downloadfailed", 1}, {"installcomplete", 4}, {"installcompletefail", 4},
                   {"clientstart", 0},    {"clientstartfail", 0}};
    for (const auto& event : kEvents) {
        if (report.strEvent == event.pszEvent)
            return report.nArgCount == event.nArgs;
    }
    return false;
}

void SendReport(CProductInfoMgr& mgr, const ReportRequest& r) {
    const std::string& e = r.strEvent;
    if (e == "start")
        mgr.ReportStart();
    if (e == "startdown")
        mgr.ReportStartDown();
    if (e == "downloadcomplete")
        mgr.ReportDownloadComplete(r.nArgs[0]);
    if (e == "downloadfailed")
        mgr.ReportDownloadFailed(r.nArgs[0]);
    if (e == "installcomplete" || e == "installcompletefail") {
        mgr.ReportInstallComplete(r.nArgs[0], r.nArgs[1], r.nArgs[2], r.nArgs[3], e == "installcomplete");
    }
    if (e == "clientstart" || e == "clientstartfail")
        mgr.ReportClientStart(e == "clientstart");
}

int WaitForCommand(HWND hWnd, int nTimeoutMs) {
    DWORD dwStart = ::GetTickCount();
    while (static_cast<int>(::GetTickCount() - dwStart) < nTimeoutMs) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == hWnd && msg.message == WM_COMMAND)
                return LOWORD(msg.wParam);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return 0;
}

std::string ProductJson(const ProductInfo& p) {
    return CJsonObject()
        .Add("productId", static_cast<int64_t>(p.productId))
        .Add("productName", p.productName)
        .Add("companyName", p.companyName)
        .Add("productFullName", p.productFullName)
        .Add("displayName", p.displayName)
        .Add("version", p.version)
        .Add("installUrl", p.installUrl)
        .Add("installUrl2", p.installUrl2)
        .Add("execute", p.execute)
        .Add("licenseUrl", p.licenseUrl)
        .Add("homePageUrl", p.homePageUrl)
        .Add("homePageDisplayName", p.homePageDisplayName)
        .Add("homePageStatus", static_cast<int64_t>(p.homePageStatus))
        .Add("oemId", static_cast<int64_t>(p.oemId))
        .Text();
}

std::string ListJson(const CProductInfoMgr& mgr) {
    std::string strRecommends = "[";
    for (size_t i = 0; i < mgr.GetRecommendCount(); ++i) {
        strRecommends += (i ? "," : "") + CJsonObject()
                                              .Add("name", mgr.GetRecommendName(i))
                                              .Add("url", mgr.GetRecommendUrl(i))
                                              .Add("status", static_cast<int64_t>(mgr.GetRecommendStatus(i)))
                                              .Text();
    }
    return strRecommends + "]";
}

std::string CatalogueJson(const CProductInfoMgr& mgr) {
    std::string strCatalogue = "[";
    const auto& catalogue = mgr.GetCatalogue();
    for (size_t i = 0; i < catalogue.size(); ++i) strCatalogue += (i ? "," : "") + ProductJson(catalogue[i]);
    return strCatalogue + "]";
}

std::string PromotionJson(const PromotionInfo& p) {
    return CJsonObject()
        .Add("recType", static_cast<int64_t>(p.recType))
        .Add("recId", p.recId)
        .Add("recAd", static_cast<int64_t>(p.recAd))
        .Add("fromUrl", p.fromUrl)
        .Add("webId", p.webId)
        .Add("cookieSite", p.cookieSite)
        .Text();
}

const char* OutcomeName(int nCommand) {
    if (nCommand == kCmdConfigLoaded)
        return "loaded";
    if (nCommand == kCmdNothingToInstall)
        return "nothingToInstall";
    if (nCommand == kCmdConfigFailed)
        return "failed";
    return "timeout";
}

std::string ManagerJson(const CProductInfoMgr& mgr, int nCommand, const std::vector<std::string>& reports) {
    std::vector<std::string> images;
    for (size_t i = 0; i < mgr.GetImageCount(); ++i) images.push_back(mgr.GetImageUrl(i));
    const ReptInfo& rept = mgr.GetReptInfo();
    return CJsonObject()
        .Add("command", static_cast<int64_t>(nCommand))
        .Add("outcome", OutcomeName(nCommand))
        .Add("loadingState", static_cast<int64_t>(mgr.GetLoadingState()))
        .AddRaw("product", ProductJson(mgr.GetProduct()))
        .AddRaw("rept", CJsonObject()
                            .Add("url", rept.url)
                            .Add("productName", rept.productName)
                            .Add("version", rept.version)
                            .Text())
        .Add("firstImage", mgr.GetFirstImageUrl())
        .Add("lastImage", mgr.GetLastImageUrl())
        .Add("images", images)
        .AddRaw("recommends", ListJson(mgr))
        .AddRaw("promotion", PromotionJson(mgr.GetPromotion()))
        .Add("promotionSummary", mgr.GetPromotionSummary())
        .Add("oemId", static_cast<int64_t>(mgr.GetOemId()))
        .Add("clientFolderName", mgr.GetClientFolderName())
        .Add("uninstallKeyName", mgr.GetUninstallKeyName())
        .Add("processNames", mgr.GetProcessNames())
        .AddRaw("catalogue", CatalogueJson(mgr))
        .Add("reportsSent", reports)
        .Text();
}

bool ParseArguments(int argc, char** argv, std::vector<ReportRequest>& reports) {
    for (int i = 1; i < argc; ++i) {
        std::string strArg = argv[i];
        if (i + 1 >= argc)
            return false;
        if (strArg == "--server") {
            ::SetEnvironmentVariableA("ORVANE_SERVER_BASE", argv[++i]);
        } else if (strArg == "--report") {
            ReportRequest report;
            if (!ParseReport(argv[++i], report))
                return false;
            reports.push_back(report);
        } else {
            return false;
        }
    }
    return true;
}

HWND CreateNotifyWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "OrvaneConfigCli";
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                             nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<ReportRequest> reports;
    if (!ParseArguments(argc, argv, reports)) {
        fprintf(stderr, "usage: configcli [--server BASE] [--report EVENT[=N[,N,N,N]]]...\n");
        return 2;
    }
    CComInit com;
    HWND hWnd = CreateNotifyWindow();
    CProductInfoMgr& mgr = CProductInfoMgr::Instance();
    mgr.StartLoading(hWnd);
    int nCommand = WaitForCommand(hWnd, kLoadTimeoutMs);
    std::vector<std::string> sent;
    for (const auto& report : reports) {
        SendReport(mgr, report);
        sent.push_back(report.strEvent);
    }
    std::string strJson = ManagerJson(mgr, nCommand, sent) + "\n";
    fwrite(strJson.data(), 1, strJson.size(), stdout);
    fflush(stdout);
    mgr.Shutdown();
    ::DestroyWindow(hWnd);
    return nCommand != 0 ? 0 : 1;
}
