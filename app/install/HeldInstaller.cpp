#include "HeldInstaller.h"

#include "Log.h"
#include "Path.h"
#include "Process.h"

namespace {

// The held file's own path, with every link and junction on the way resolved. A folder on
// the way that is a link could be pointed elsewhere between the check and the start, while no
// folder of the resolved path can be renamed or replaced as long as a file in it is open.
// strPath when the platform gives no path the shell takes.
std::string ResolvedPath(HANDLE hFile, const std::string& strPath) {
    char szPath[MAX_PATH * 4] = {};
    DWORD n =
        ::GetFinalPathNameByHandleA(hFile, szPath, sizeof(szPath), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0 || n >= sizeof(szPath))
        return strPath;
    std::string strFinal(szPath, n);
    if (strFinal.compare(0, 8, "\\\\?\\UNC\\") == 0)
        return "\\\\" + strFinal.substr(8);
    if (strFinal.compare(0, 4, "\\\\?\\") == 0 && strFinal.size() > 6 && strFinal[5] == ':' &&
        strFinal[6] == '\\')
        return strFinal.substr(4);
    return strPath;
}

}  // namespace

bool CHeldInstaller::HoldTrusted(const CInstallerTrust& trust) {
    m_hFile.Reset(::CreateFileA(m_strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    DWORD dwError = ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info = {};
    if (m_hFile && ::GetFileInformationByHandle(m_hFile.Get(), &info) &&
        !(info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        if (trust.Check(m_hFile.Get(), m_strPath))
            return true;
    } else {
        LOGF(0, "CHeldInstaller::HoldTrusted(%s) 无法独占打开[%lu]\n", m_strPath.c_str(),
             static_cast<unsigned long>(m_hFile ? ERROR_CANT_ACCESS_FILE : dwError));
    }
    Release();
    CInstallerTrust::Discard(m_strPath);
    return false;
}

HANDLE CHeldInstaller::Start(const char* pszParameters) {
    HANDLE hProcess =
        IsHeld() ? ExecApp(QuoteSpaces(ResolvedPath(m_hFile.Get(), m_strPath)), pszParameters) : nullptr;
    Release();
    return hProcess;
}
