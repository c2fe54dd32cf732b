// File and path chores. Paths are narrow strings in the system code page with
// backslash separators; every function works on copies.
#pragma once

#include <windows.h>

#include <string>

// Backslashes are found character by character, so the trail byte of a double-byte
// character in the system code page is never taken for one.
std::string AddBackslash(const std::string& strPath);
std::string RemoveTrailingBackslash(const std::string& strPath);
// The folder part without a trailing backslash; empty when the path has no backslash.
std::string GetParentFolder(const std::string& strPath);
// The path in double quotes when it holds a blank.
std::string QuoteSpaces(const std::string& strPath);
// Tries every level of the chain; true when the last one exists as a folder afterwards
// (a file of that name gives false).
bool CreateDirectoryChain(const std::string& strFolder);
// True when something exists at the path; bIsFile tells whether it is a file. Wildcards
// are searched as a pattern. bIsFile is untouched when nothing is found.
bool PathExists(const std::string& strPath, bool& bIsFile);

// What follows the last backslash or slash, found character by character like the rest.
std::string LastPathPart(const std::string& strPath);
// Byte position of the last backslash, or npos.
size_t FindLastBackslash(const std::string& strPath);

// The program's own full file name and its folder with a trailing backslash.
std::string GetModulePath();
std::string GetModuleFolder();
