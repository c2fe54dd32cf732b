#include "CrashDump.h"

#include <dbghelp.h>

#include <atomic>
#include <cstdio>

#include "Handles.h"
#include "SystemLibrary.h"

namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                          PMINIDUMP_EXCEPTION_INFORMATION, PMINIDUMP_USER_STREAM_INFORMATION,
                                          PMINIDUMP_CALLBACK_INFORMATION);

std::atomic<bool> g_bInstalled(false);

MiniDumpWriteDumpFn FindWriter(HMODULE hDbgHelp) {
    return reinterpret_cast<MiniDumpWriteDumpFn>(
        reinterpret_cast<void*>(::GetProcAddress(hDbgHelp, "MiniDumpWriteDump")));
}

// Creates (or replaces) "<program>YYYYMMDD_HHMMSS.dmp". Stack buffers only: the heap may be
// what failed.
HANDLE CreateDumpFile() {
    char szProgram[520];
    char szDump[560];
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    DWORD n = ::GetModuleFileNameA(nullptr, szProgram, sizeof(szProgram));
    if (n == 0 || n >= sizeof(szProgram) || !FormatDumpFileName(szDump, sizeof(szDump), szProgram, st)) {
        return INVALID_HANDLE_VALUE;
    }
    return ::CreateFileA(szDump, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// What the helper thread needs of the faulting one.
struct DumpRequest {
    DWORD dwThreadId;
    EXCEPTION_POINTERS* pException;
};

const SIZE_T kWriterStackBytes = 256 * 1024;

DWORD WINAPI WriteDumpThread(void* pParam) {
    const DumpRequest* pRequest = static_cast<const DumpRequest*>(pParam);
    CLibrary hDbgHelp(LoadSystemLibrary("dbghelp.dll"));
    MiniDumpWriteDumpFn pfnWrite = hDbgHelp ? FindWriter(hDbgHelp.Get()) : nullptr;
    CFileHandle hFile(pfnWrite ? CreateDumpFile() : INVALID_HANDLE_VALUE);
    if (!hFile)
        return 1;
    MINIDUMP_EXCEPTION_INFORMATION info = {};
    info.ThreadId = pRequest->dwThreadId;
    info.ExceptionPointers = pRequest->pException;
    info.ClientPointers = FALSE;
    pfnWrite(::GetCurrentProcess(), ::GetCurrentProcessId(), hFile.Get(), MiniDumpNormal, &info, nullptr,
             nullptr);
    return 0;
}

LONG WINAPI OverflowHandler(EXCEPTION_POINTERS* pException) {
    if (pException->ExceptionRecord->ExceptionCode != EXCEPTION_STACK_OVERFLOW)
        return EXCEPTION_CONTINUE_SEARCH;
    return CrashFilter(pException);
}

}  // namespace

bool FormatDumpFileName(char* pszOut, size_t cchOut, const char* pszProgram, const SYSTEMTIME& st) {
    int n = _snprintf(pszOut, cchOut, "%s%04d%02d%02d_%02d%02d%02d.dmp", pszProgram, st.wYear, st.wMonth,
                      st.wDay, st.wHour, st.wMinute, st.wSecond);
    if (n < 0 || static_cast<size_t>(n) >= cchOut) {
        if (cchOut > 0)
            pszOut[0] = '\0';
        return false;
    }
    return true;
}

bool InstallCrashHandler() {
    if (g_bInstalled.exchange(true))
        return true;
    HMODULE hDbgHelp = LoadSystemLibrary("dbghelp.dll");
    if (!hDbgHelp)
        return false;
    // Without a writer there is nothing a handler could do: the platform's own crash
    // handling stays in place.
    if (FindWriter(hDbgHelp)) {
        ::SetUnhandledExceptionFilter(CrashFilter);
        // A stack overflow leaves too little stack for the whole dispatch down to the
        // unhandled-exception filter (Wine then ends the thread before any filter runs); a
        // vectored handler is called first.
        ::AddVectoredExceptionHandler(1, OverflowHandler);
    }
    // Kept loaded: a later load of "dbghelp.dll" by bare name, by any library of the process,
    // then finds this system copy instead of searching (beside the program, on some loaders).
    return true;
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pException) {
    // After a stack overflow the faulting thread has no stack left for the writer: a helper
    // thread with a stack of its own writes the dump.
    DumpRequest request = {::GetCurrentThreadId(), pException};
    HANDLE hThread = ::CreateThread(nullptr, kWriterStackBytes, WriteDumpThread, &request, 0, nullptr);
    if (hThread) {
        ::WaitForSingleObject(hThread, INFINITE);
        ::CloseHandle(hThread);
    }
    // Not ExitProcess: it runs the libraries' detach code while other threads may hold
    // their locks.
    ::TerminateProcess(::GetCurrentProcess(), 0);
    return EXCEPTION_EXECUTE_HANDLER;
}
