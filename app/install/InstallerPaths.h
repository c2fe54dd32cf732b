// Where the installers go: file names from download addresses, the Install folder and the
// default install folder. Plain text work; nothing touches the disk.
#pragma once

#include <string>

// A file name for what a URL names, safe to put inside the Install folder: the text after the
// last '/' of the address without its query and fragment, percent-decoded once. A name that
// holds a separator, a reserved or control character, is only dots, names a device or is
// longer than a file name may sensibly be gives strFallback instead. Never a path.
std::string SafeFileNameFromUrl(const std::string& strUrl, const std::string& strFallback = "setup.exe");
// strInstallDir + "\Install\" + the safe file name of strUrl.
std::string InstallerPathFor(const std::string& strInstallDir, const std::string& strUrl,
                             const std::string& strFallback = "setup.exe");
// The Install folder inside strInstallDir (no trailing backslash).
std::string InstallerFolderFor(const std::string& strInstallDir);
// "%c:\Program Files\" + product name, the default when no earlier install was found.
std::string DefaultInstallFolder(char chDrive, const std::string& strProductName);
