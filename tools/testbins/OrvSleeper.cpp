// A process for the process tests to find and end: sleeps for argv[1] milliseconds (default
// one minute), then exits with argv[2] (default 0). With argv[2] "show" it exits with the
// show state it was started with (100 when none was given).
#include <windows.h>

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    DWORD dwMs = argc > 1 ? static_cast<DWORD>(strtoul(argv[1], nullptr, 10)) : 60000;
    int nExitCode = argc > 2 ? atoi(argv[2]) : 0;
    if (argc > 2 && strcmp(argv[2], "show") == 0) {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        ::GetStartupInfoA(&si);
        nExitCode = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : 100;
    }
    ::Sleep(dwMs);
    return nExitCode;
}
