// A process for the process tests to find and end: sleeps for argv[1] milliseconds (default
// one minute), then exits with argv[2] (default 0).
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    DWORD dwMs = argc > 1 ? static_cast<DWORD>(strtoul(argv[1], nullptr, 10)) : 60000;
    int nExitCode = argc > 2 ? atoi(argv[2]) : 0;
    ::Sleep(dwMs);
    return nExitCode;
}
