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

// Starts the client AddBackslash(strInstallDir) + strExecute in its own folder with the
// desktop user's ordinary rights, through the desktop's shell; where that shell cannot be
// reached, by its full path (so a folder with blanks never starts another program) as a
// child of this process. Logs the attempt, the way taken, a failure and the outcome. True
// when the shell took the start or the process was created.
bool LaunchKavvik(const std::string& strInstallDir, const std::string& strExecute);
