#include "HeldInstaller.h"

#include "Log.h"
#include "Path.h"
#include "Process.h"

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
    HANDLE hProcess = IsHeld() ? ExecApp(QuoteSpaces(m_strPath), pszParameters) : nullptr;
    Release();
    return hProcess;
}
