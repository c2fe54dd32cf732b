// Installs the crash handler (twice) and then faults. With a working handler the process
// ends with exit code 0 and a dump beside it; the other exit codes name what went wrong.
#include <windows.h>

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

}  // namespace

int main() {
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
