#include "Process.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include "Handles.h"
#include "Log.h"
#include "Path.h"
#include "StringUtil.h"

HANDLE ExecApp(const std::string& strFile, const char* pszParameters) {
    SHELLEXECUTEINFOA sei = {};
    sei.cbSize = sizeof(sei);
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.lpFile = strFile.c_str();
    sei.lpParameters = pszParameters;
    sei.nShow = SW_HIDE;
    HANDLE hProcess = ::ShellExecuteExA(&sei) ? sei.hProcess : nullptr;
    LOGF(0, "ExecApp %s %s [%d]\n", strFile.c_str(), pszParameters ? pszParameters : "", hProcess ? 1 : 0);
    return hProcess;
}

namespace {

// Calls fn(pid) for every process whose executable name matches; stops when fn says so.
template <typename Fn>
void ForEachProcessNamed(const std::string& strExeName, Fn fn) {
    CHandle hSnap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!hSnap)
        return;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL bMore = ::Process32First(hSnap.Get(), &pe); bMore; bMore = ::Process32Next(hSnap.Get(), &pe)) {
        // szExeFile may carry a folder on some systems; only the file name counts.
        if (EqualsNoCase(LastPathPart(pe.szExeFile), strExeName) && !fn(pe.th32ProcessID))
            return;
    }
}

}  // namespace

bool IsProcessRunning(const std::string& strExeName) {
    bool bFound = false;
    ForEachProcessNamed(strExeName, [&](DWORD) {
        bFound = true;
        return false;
    });
    return bFound;
}

void KillProcessByName(const std::string& strExeName) {
    ForEachProcessNamed(strExeName, [](DWORD dwPid) {
        CHandle hProcess(::OpenProcess(PROCESS_TERMINATE, FALSE, dwPid));
        if (hProcess)
            ::TerminateProcess(hProcess.Get(), 0xFFFFFFFF);
        return true;
    });
}
