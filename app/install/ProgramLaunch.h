// Starting the product installer and the installed client. Any thread; nothing touches a
// window.
#pragma once

#include <windows.h>

#include <string>

class CHeldInstaller;

// The installer's parameters "/S /AUTOSTART=%s /COMMENDER_ID=%s /D=%s": the folder unquoted
// and last, as installers read everything after "/D=" as the folder.
std::string BuildInstallerParameters(bool bAutoStart, const std::string& strPromotionSummary,
                                     const std::string& strInstallDir);
// Starts the held installer hidden and lets it go; logs the start and a failure. The caller
// owns the handle; null when nothing started.
HANDLE LaunchInstallProgram(CHeldInstaller& installer, const std::string& strParameters);

// Starts the client AddBackslash(strInstallDir) + strExecute by its full path (so a folder
// with blanks never starts another program), in the client's own folder. Logs the attempt,
// a failure and the outcome. True when the process was created; its handles are closed.
bool LaunchKavvik(const std::string& strInstallDir, const std::string& strExecute);
