#include "ProgramLaunch.h"

#include <vector>

#include "HeldInstaller.h"
#include "Log.h"
#include "Path.h"
#include "Process.h"
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

bool LaunchKavvik(const std::string& strInstallDir, const std::string& strExecute) {
    std::string strPath = AddBackslash(strInstallDir) + strExecute;
    LOGF(0, "Call LaunchKavvik(%s)\n", strPath.c_str());
    // The full path as the program name and a quoted first word: the platform then never
    // tries "C:\Program.exe" for "C:\Program Files\...". No length cut.
    std::string strCommand = "\"" + strPath + "\"";
    std::vector<char> commandLine(strCommand.begin(), strCommand.end());
    commandLine.push_back('\0');
    std::string strFolder = GetParentFolder(strPath);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    BOOL bStarted = ::CreateProcessA(strPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     strFolder.empty() ? nullptr : strFolder.c_str(), &si, &pi);
    if (bStarted) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    } else {
        LOGF(0, "COrvaneDlg::LaunchKavvik() path=%s Fail\n", strPath.c_str());
    }
    LOGF(0, "Exec %s [%d]\n", strPath.c_str(), bStarted ? 1 : 0);
    return bStarted != FALSE;
}
