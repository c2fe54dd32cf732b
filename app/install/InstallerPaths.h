// Where the installers go: file names from download addresses, the Install folder and the
// default install folder. Plain text work; nothing touches the disk.
#pragma once

#include <string>

// The name an installer that strUrl names is saved under inside the Install folder: the text
// after the last '/' of the address without its query and fragment, percent-decoded once,
// when that is a plain name ending in ".exe" (so the shell starts it as a program and never
// hands it to another opener); otherwise strFallback, and the refusal is logged. Never a path.
std::string SafeFileNameFromUrl(const std::string& strUrl, const std::string& strFallback = "setup.exe");
// Whether the server's execute names a program to start: a relative path of plain names
// inside the install folder, ending in ".exe" and outside its Install folder. A refusal is
// logged.
bool IsClientProgramPath(const std::string& strExecute);
// strInstallDir + "\Install\" + the safe file name of strUrl.
std::string InstallerPathFor(const std::string& strInstallDir, const std::string& strUrl,
                             const std::string& strFallback = "setup.exe");
// The Install folder inside strInstallDir (no trailing backslash).
std::string InstallerFolderFor(const std::string& strInstallDir);
// "%c:\Program Files\" + product name, the default when no earlier install was found.
std::string DefaultInstallFolder(char chDrive, const std::string& strProductName);
