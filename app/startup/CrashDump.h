// Writes a minidump beside the program when it fails with an unhandled exception (a stack
// overflow included), then ends the process with exit code 0 without any message.
#pragma once

#include <windows.h>

#include <cstddef>

// Installs CrashFilter, and a stack-overflow handler in front of it, once per process; later
// calls return true at once. False when the system's debug-help library cannot be loaded;
// nothing is installed when it has no minidump writer. The library stays loaded.
bool InstallCrashHandler();
// The process-wide unhandled-exception filter; never returns. The dump is written by a helper
// thread; the process ends by TerminateProcess, without running any detach code.
LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pException);
// "<program path>YYYYMMDD_HHMMSS.dmp" for the given program path and local time, into a
// caller's buffer, without touching the heap (for the filter). False, with empty text, when
// it does not fit.
bool FormatDumpFileName(char* pszOut, size_t cchOut, const char* pszProgram, const SYSTEMTIME& st);
