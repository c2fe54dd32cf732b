#include "SystemLibrary.h"

#include <delayimp.h>

#include <cstring>

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// The delay-load helper asks before each LoadLibrary: answering with a module replaces the
// plain search, which would look in the program's own folder first.
FARPROC WINAPI DelayLoadNotify(unsigned dliNotify, PDelayLoadInfo pdli) {
    if (dliNotify != dliNotePreLoadLibrary || !pdli->szDll)
        return nullptr;
    return reinterpret_cast<FARPROC>(LoadSystemLibrary(pdli->szDll));
}

}  // namespace

HMODULE LoadSystemLibrary(const char* pszName) {
    // A name with a folder in it would be loaded from that folder.
    if (strpbrk(pszName, "\\/:")) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    HMODULE hModule = ::LoadLibraryExA(pszName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search flags refuse them as an invalid parameter; the full path
    // then names the same file, and the altered search finds its dependencies beside it.
    if (hModule || ::GetLastError() != ERROR_INVALID_PARAMETER)
        return hModule;
    char szPath[MAX_PATH + 1];
    UINT n = ::GetSystemDirectoryA(szPath, MAX_PATH);
    size_t nName = strlen(pszName);
    if (n == 0 || n + 1 + nName >= sizeof(szPath)) {
        ::SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    szPath[n] = '\\';
    memcpy(szPath + n + 1, pszName, nName + 1);
    return ::LoadLibraryExA(szPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool RestrictLibrarySearch() {
    __pfnDliNotifyHook2 = DelayLoadNotify;
    HMODULE hKernel = ::GetModuleHandleA("kernel32.dll");
    auto pfnSetDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(hKernel, "SetDefaultDllDirectories")));
    if (pfnSetDefault && pfnSetDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return true;
    ::SetDllDirectoryA("");
    return false;
}
