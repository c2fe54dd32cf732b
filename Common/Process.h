// Starting programs and finding or ending running ones by executable name. Blocking; any
// thread.
#pragma once

#include <windows.h>

#include <string>

// Starts a program hidden through the shell. The caller owns the returned process handle;
// null when nothing was started.
HANDLE ExecApp(const std::string& strFile, const char* pszParameters);
// Executable names compare without regard to letter case, never against a folder part.
bool IsProcessRunning(const std::string& strExeName);
// Ends every running process of that executable name with exit code 0xFFFFFFFF.
void KillProcessByName(const std::string& strExeName);
