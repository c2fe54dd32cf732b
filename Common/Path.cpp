#include "Path.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <vector>

#include "Handles.h"
#include "Log.h"
#include "StringUtil.h"

std::string AddBackslash(const std::string& strPath) {
    if (!strPath.empty() && strPath.back() == '\\') return strPath;
    return strPath + "\\";
}

std::string RemoveTrailingBackslash(const std::string& strPath) {
    size_t nEnd = strPath.find_last_not_of('\\');
    return nEnd == std::string::npos ? std::string() : strPath.substr(0, nEnd + 1);
}

std::string GetParentFolder(const std::string& strPath) {
    std::string strTrimmed = RemoveTrailingBackslash(strPath);
    size_t nPos = strTrimmed.rfind('\\');
    return nPos == std::string::npos ? std::string() : strTrimmed.substr(0, nPos);
}

std::string QuoteSpaces(const std::string& strPath) {
    if (strPath.find(' ') == std::string::npos) return strPath;
    return "\"" + strPath + "\"";
}

bool CreateDirectoryChain(const std::string& strFolder) {
    std::string strPath = AddBackslash(strFolder);
    // From index 3 on, so that the drive prefix "C:\" is never created as a folder.
    for (size_t nPos = strPath.find('\\', 3); nPos != std::string::npos;
         nPos = strPath.find('\\', nPos + 1)) {
        ::CreateDirectoryA(strPath.substr(0, nPos).c_str(), nullptr);
    }
    bool bIsFile = false;
    return PathExists(RemoveTrailingBackslash(strPath), bIsFile) && !bIsFile;
}

bool PathExists(const std::string& strPath, bool& bIsFile) {
    WIN32_FIND_DATAA fd;
    CFindHandle hFind(::FindFirstFileA(RemoveTrailingBackslash(strPath).c_str(), &fd));
    if (!hFind) return false;
    bIsFile = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return true;
}

HANDLE ExecApp(const std::string& strFile, const char* pszParameters) {
    SHELLEXECUTEINFOA sei = {};
    sei.cbSize = sizeof(sei);
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    sei.lpFile = strFile.c_str();
    sei.lpParameters = pszParameters;
    sei.nShow = SW_HIDE;
    HANDLE hProcess = ::ShellExecuteExA(&sei) ? sei.hProcess : nullptr;
    LOGF(0, "ExecApp %s %s [%d]\n", strFile.c_str(), pszParameters ? pszParameters : "",
         hProcess ? 1 : 0);
    return hProcess;
}

namespace {

// Calls fn(pid) for every process whose executable name matches; stops when fn says so.
template <typename Fn>
void ForEachProcessNamed(const std::string& strExeName, Fn fn) {
    CHandle hSnap(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!hSnap || hSnap.Get() == INVALID_HANDLE_VALUE) {
        hSnap.Detach();
        return;
    }
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof(pe);
    for (BOOL bMore = ::Process32First(hSnap.Get(), &pe); bMore; bMore = ::Process32Next(hSnap.Get(), &pe)) {
        // szExeFile may carry a folder on some systems; only the file name counts.
        std::string strName = pe.szExeFile;
        size_t nSlash = strName.find_last_of("\\/");
        if (nSlash != std::string::npos) strName.erase(0, nSlash + 1);
        if (EqualsNoCase(strName, strExeName) && !fn(pe.th32ProcessID)) return;
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
        if (hProcess) ::TerminateProcess(hProcess.Get(), 0xFFFFFFFF);
        return true;
    });
}

std::string GetModulePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::string();
        if (n < buffer.size()) return std::string(buffer.data(), n);
        if (buffer.size() >= 32768) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string GetModuleFolder() { return AddBackslash(GetParentFolder(GetModulePath())); }
