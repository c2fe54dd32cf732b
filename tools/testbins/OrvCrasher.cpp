// Installs the crash handler (twice) and then faults. With a working handler the process
// ends with exit code 0 and a dump beside it; the other exit codes name what went wrong.
// With the argument "nowriter" (beside a debug-help library that has no minidump writer) it
// checks that nothing was installed: it exits with 20 when a stack-overflow exception passes
// every handler in front of its own (and with 22 or more when something is wrong).
#include <windows.h>

#include <cstring>

#include "CrashDump.h"

namespace {

LONG WINAPI SentinelFilter(EXCEPTION_POINTERS*) {
    return EXCEPTION_CONTINUE_SEARCH;
}

LPTOP_LEVEL_EXCEPTION_FILTER CurrentFilter() {
    LPTOP_LEVEL_EXCEPTION_FILTER pCurrent = ::SetUnhandledExceptionFilter(nullptr);
    ::SetUnhandledExceptionFilter(pCurrent);
    return pCurrent;
}

bool g_bOverflowReachedUs = false;

LONG WINAPI LastVectoredHandler(EXCEPTION_POINTERS* pException) {
    if (pException->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW)
        return EXCEPTION_CONTINUE_SEARCH;
    g_bOverflowReachedUs = true;
    return EXCEPTION_CONTINUE_EXECUTION;
}

int CheckNothingInstalled() {
    if (!InstallCrashHandler())
        return 22;
    if (CurrentFilter() == CrashFilter)
        return 23;
    ::AddVectoredExceptionHandler(0, LastVectoredHandler);
    ::RaiseException(EXCEPTION_STACK_OVERFLOW, 0, 0, nullptr);
    return g_bOverflowReachedUs ? 20 : 21;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "nowriter") == 0)
        return CheckNothingInstalled();
    if (!InstallCrashHandler())
        return 2;
    if (CurrentFilter() != CrashFilter)
        return 3;
    // The second call must not install the filter again over whatever is there now.
    ::SetUnhandledExceptionFilter(SentinelFilter);
    if (!InstallCrashHandler())
        return 4;
    if (CurrentFilter() != SentinelFilter)
        return 5;
    ::SetUnhandledExceptionFilter(CrashFilter);

    volatile int* volatile pNull = nullptr;
    *pNull = 1;
    return 6;
}
