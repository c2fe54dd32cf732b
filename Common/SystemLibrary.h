// Libraries come from the system folder only: the program runs from a Downloads folder where
// anyone may have left a "wintrust.dll" or "dbghelp.dll" beside it.
#pragma once

#include <windows.h>

// Limits the process's library search to the system folder and routes the delay-loaded
// imports through LoadSystemLibrary. Call first in WinMain, before anything loads a library;
// main thread. False when the platform has no SetDefaultDllDirectories (Windows 7 without
// KB2533623): the current folder then leaves the search, and the delay-loaded imports still
// come from the system folder by their full path.
bool RestrictLibrarySearch();
// Loads a library of the system folder by its bare name ("dbghelp.dll"), never one found
// elsewhere. Stack buffers only, so the crash filter may call it. Null on failure, with
// GetLastError set. The caller frees the module.
HMODULE LoadSystemLibrary(const char* pszName);
