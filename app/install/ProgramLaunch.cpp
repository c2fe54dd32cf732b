#include "ProgramLaunch.h"

#include <vector>

#include "HeldInstaller.h"
#include "Log.h"
#include "Path.h"
#include "Process.h"
#include "ShellLaunch.h"
#include "StringUtil.h"

std::string BuildInstallerParameters(bool bAutoStart, const std::string& strPromotionSummary,
                                     const std::string& strInstallDir) {
    return StrFormat("/S /AUTOSTART=%s /COMMENDER_ID=%s /D=%s", bAutoStart ? "TRUE" : "FALSE",
                     strPromotionSummary.c_str(), strInstallDir.c_str());
}

HANDLE LaunchInstallProgram(CHeldInstaller& installer, const std::string& strParameters) {
    const std::string& strPath = installer.GetPath();
    LOGF(0, "Launch InstallProgram: %s %s\n", QuoteSpaces(strPath).c_str(), strParameters.c_str());
    HANDLE hProcess = installer.Start(strParameters.c_str());
    if (!hProcess)
        LOGF(0, "COrvaneDlg::LaunchInstallProgram() path=%s  Fail\n", strPath.c_str());
    return hProcess;
}

namespace {

bool CreateClientProcess(const std::string& strPath, const std::string& strFolder) {
    // The full path as the program name and a quoted first word: the platform then never
    // tries "C:\Program.exe" for "C:\Program Files\...". No length cut.
    std::string strCommand = "\"" + strPath + "\"";
    std::vector<char> commandLine(strCommand.begin(), strCommand.end());
    commandLine.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(strPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          strFolder.empty() ? nullptr : strFolder.c_str(), &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

bool LaunchKavvik(const std::string& strInstallDir, const std::string& strExecute) {
    std::string strPath = AddBackslash(strInstallDir) + strExecute;
    LOGF(0, "Call LaunchKavvik(%s)\n", strPath.c_str());
    std::string strFolder = GetParentFolder(strPath);
    bool bStarted = false;
    // The shell answers before it looks at the file, so a missing client is found here.
    bool bIsFile = false;
    if (PathExists(strPath, bIsFile) && bIsFile) {
        HRESULT hr = ShellExecuteAsDesktopUser(strPath, strFolder);
        bStarted = SUCCEEDED(hr);
        LOGF(0,
             bStarted ? "LaunchKavvik desktop shell\n"
                      : "LaunchKavvik desktop shell [0x%08lX], CreateProcess\n",
             static_cast<unsigned long>(hr));
    }
    if (!bStarted)
        bStarted = CreateClientProcess(strPath, strFolder);
    if (!bStarted)
        LOGF(0, "COrvaneDlg::LaunchKavvik() path=%s Fail\n", strPath.c_str());
    LOGF(0, "Exec %s [%d]\n", strPath.c_str(), bStarted ? 1 : 0);
    return bStarted;
}
