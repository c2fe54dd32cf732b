#include "ServiceClient.h"

#include "Handles.h"
#include "Log.h"
#include "Path.h"
#include "Process.h"

namespace {

ReptQuasolSubscibeProc LoadSubscribeEntry(const std::string& strFolder) {
    // Deliberately never freed: the library may keep threads or callbacks of its own. By its
    // full path, and what it imports is looked for beside it first, not beside this program.
    HMODULE hLibrary =
        ::LoadLibraryExA((strFolder + "Corvendil.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!hLibrary)
        return nullptr;
    return reinterpret_cast<ReptQuasolSubscibeProc>(
        reinterpret_cast<void*>(::GetProcAddress(hLibrary, "ReptQuasolSubscibe")));
}

}  // namespace

void ReportSubscription(const std::string& strInstallDir, bool bReminder, int nProductId) {
    std::string strFolder = AddBackslash(strInstallDir);
    ReptQuasolSubscibeProc pfnSubscribe = LoadSubscribeEntry(strFolder);
    if (bReminder) {
        CHandle hProcess(ExecApp(QuoteSpaces(strFolder + "Corvendil.exe"), "-i"));
        if (!hProcess)
            return;
        if (pfnSubscribe)
            pfnSubscribe(1, kSubscribe, nProductId, 0);
        LOGF(0, "OnBnClickedStartBtn 上报订阅资讯行为\n");
    } else if (pfnSubscribe) {
        pfnSubscribe(1, kUnsubscribe, nProductId, 0);
        LOGF(0, "OnBnClickedStartBtn 上报取消订阅资讯行为\n");
    }
}
