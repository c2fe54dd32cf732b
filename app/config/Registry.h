// Registry lookups: is a product installed and where, and the browser's start page.
// Every key is opened, used and closed within one call; nothing is cached. Any thread may
// call these; each blocks only for the registry access itself. Nothing is logged.
#pragma once

#include <windows.h>

#include <string>

// Reads a value as text (up to its first zero byte). False, with strOut untouched, when the
// key cannot be opened; a missing value gives true and empty text. Values longer than the
// usual 260 bytes are read whole up to 64 KiB; a value larger than that reads as empty text.
bool ReadRegistryString(HKEY hRoot, const std::string& strKey, const std::string& strValue,
                        std::string& strOut);

// The "KavvikPath" value of the App Paths entry "<strProductName>.exe" under the local
// machine. True when the entry exists (the folder may then still be empty).
bool GetAppPathsFolder(const std::string& strProductName, std::string& strFolder);

// Install folder of the uninstall entry strEntry: the folder of its uninstaller. True only
// when that folder is not empty and the entry's DisplayIcon file exists. strFolder is filled
// from the uninstaller before the icon is tested, so it may be set even on a false answer.
// Surrounding quotes and a trailing icon index (",0") are taken off both values first.
bool GetUninstallFolder(const std::string& strEntry, std::string& strFolder);

// Looks for the first uninstall entry whose name begins with "<strName>-" (letter case
// ignored) and answers GetUninstallFolder for it; later matching entries are not examined.
bool FindInstalledProduct(const std::string& strName, std::string& strFolder);

// Writes the current user's browser "Start Page". False when the key cannot be opened.
bool SetBrowserStartPage(const std::string& strAddress);

// The value of an UninstallString or DisplayIcon without its quotes: a value that begins with
// a double quote gives the text up to the next double quote (what follows it, such as
// arguments or an icon index, is dropped).
std::string UnquoteRegistryPath(const std::string& strValue);
// A DisplayIcon value reduced to its file name: unquoted, and a trailing ",<number>" removed.
std::string DisplayIconFile(const std::string& strValue);
