#include "CrashDump.h"

#include <dbghelp.h>

#include <atomic>

#include "Handles.h"
#include "Path.h"
#include "StringUtil.h"

namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                           PMINIDUMP_EXCEPTION_INFORMATION,
                                           PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

std::atomic<bool> g_bInstalled(false);

MiniDumpWriteDumpFn FindWriter(HMODULE hDbgHelp) {
    return reinterpret_cast<MiniDumpWriteDumpFn>(
        reinterpret_cast<void*>(::GetProcAddress(hDbgHelp, "MiniDumpWriteDump")));
}

}  // namespace

std::string MakeDumpFileName(const std::string& strProgram, const SYSTEMTIME& st) {
    return StrFormat("%s%04d%02d%02d_%02d%02d%02d.dmp", strProgram.c_str(), st.wYear, st.wMonth, st.wDay,
                     st.wHour, st.wMinute, st.wSecond);
}

bool InstallCrashHandler() {
    if (g_bInstalled.exchange(true)) return true;
    HMODULE hDbgHelp = ::LoadLibraryA("dbghelp.dll");
    if (!hDbgHelp) return false;
    if (FindWriter(hDbgHelp)) ::SetUnhandledExceptionFilter(CrashFilter);
    return ::FreeLibrary(hDbgHelp) != FALSE;
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* pException) {
    {
        CLibrary hDbgHelp(::LoadLibraryA("dbghelp.dll"));
        MiniDumpWriteDumpFn pfnWrite = hDbgHelp ? FindWriter(hDbgHelp.Get()) : nullptr;
        if (pfnWrite) {
            SYSTEMTIME st;
            ::GetLocalTime(&st);
            std::string strDump = MakeDumpFileName(GetModulePath(), st);
            CFileHandle hFile(::CreateFileA(strDump.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (hFile) {
                MINIDUMP_EXCEPTION_INFORMATION info = {};
                info.ThreadId = ::GetCurrentThreadId();
                info.ExceptionPointers = pException;
                info.ClientPointers = FALSE;
                pfnWrite(::GetCurrentProcess(), ::GetCurrentProcessId(), hFile.Get(), MiniDumpNormal,
                         &info, nullptr, nullptr);
            }
        }
    }
    ::ExitProcess(0);
    return EXCEPTION_EXECUTE_HANDLER;
}
