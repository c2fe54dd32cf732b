// Loaded anywhere, it writes "<its own path>.loaded" holding the path of the program that
// loaded it, and stays loaded without doing more.
#include <windows.h>

#include <cstring>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason != DLL_PROCESS_ATTACH)
        return TRUE;
    char szMarker[MAX_PATH + 16];
    DWORD n = ::GetModuleFileNameA(hInstance, szMarker, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return TRUE;
    memcpy(szMarker + n, ".loaded", sizeof(".loaded"));
    HANDLE hFile =
        ::CreateFileA(szMarker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return TRUE;
    char szProgram[MAX_PATH];
    DWORD nProgram = ::GetModuleFileNameA(nullptr, szProgram, sizeof(szProgram));
    DWORD dwWritten = 0;
    ::WriteFile(hFile, szProgram, nProgram < sizeof(szProgram) ? nProgram : 0, &dwWritten, nullptr);
    ::CloseHandle(hFile);
    return TRUE;
}
