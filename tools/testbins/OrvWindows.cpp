// Lists the windows of the running processes with a given executable name, for the scripts
// that drive the program like a user (tools/harness): which top-level windows it shows, and
// inside them every child control with its id, class, screen rectangle, visibility, check
// state and text, so that a click goes to the control with a given id. One line per window,
// fields separated by tabs, text in the ANSI code page:
//   top    <hwnd> <pid> <left>,<top>,<right>,<bottom> <visible> <text>
//   child  <hwnd> <parent hwnd> <id> <class> <left>,<top>,<right>,<bottom> <visible> <check> <text>
// <check> is the answer to BM_GETCHECK for shown buttons, -1 otherwise. The controls of a hidden
// top-level window are not listed.
//   OrvWindows.exe Orvane.exe
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

std::set<DWORD> ProcessIds(const char* pszExeName) {
    std::set<DWORD> ids;
    HANDLE hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return ids;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = ::Process32First(hSnapshot, &entry); bMore;
         bMore = ::Process32Next(hSnapshot, &entry)) {
        if (::lstrcmpiA(entry.szExeFile, pszExeName) == 0)
            ids.insert(entry.th32ProcessID);
    }
    ::CloseHandle(hSnapshot);
    return ids;
}

std::string Text(HWND hWnd) {
    char szText[512] = {};
    ::GetWindowTextA(hWnd, szText, sizeof(szText));
    for (char* p = szText; *p; ++p)
        if (*p == '\t' || *p == '\n' || *p == '\r')
            *p = ' ';
    return szText;
}

BOOL CALLBACK PrintChild(HWND hWnd, LPARAM) {
    char szClass[64] = {};
    ::GetClassNameA(hWnd, szClass, sizeof(szClass));
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    LRESULT nCheck = -1;
    DWORD_PTR dwAnswer = 0;
    // Only shown buttons are asked: a window that its thread no longer serves (a dialog that
    // has ended while its thread waits) would hold every listing up for the whole timeout.
    if (::lstrcmpiA(szClass, "Button") == 0 && ::IsWindowVisible(hWnd) &&
        ::SendMessageTimeoutA(hWnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 1000, &dwAnswer))
        nCheck = static_cast<LRESULT>(dwAnswer);
    printf("child\t%p\t%p\t%d\t%s\t%ld,%ld,%ld,%ld\t%d\t%d\t%s\n", static_cast<void*>(hWnd),
           static_cast<void*>(::GetParent(hWnd)), ::GetDlgCtrlID(hWnd), szClass, rc.left, rc.top, rc.right,
           rc.bottom, ::IsWindowVisible(hWnd) ? 1 : 0, static_cast<int>(nCheck), Text(hWnd).c_str());
    return TRUE;
}

BOOL CALLBACK PrintTop(HWND hWnd, LPARAM lParam) {
    const std::set<DWORD>& ids = *reinterpret_cast<const std::set<DWORD>*>(lParam);
    DWORD dwPid = 0;
    ::GetWindowThreadProcessId(hWnd, &dwPid);
    if (ids.count(dwPid) == 0)
        return TRUE;
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    printf("top\t%p\t%lu\t%ld,%ld,%ld,%ld\t%d\t%s\n", static_cast<void*>(hWnd), dwPid, rc.left, rc.top,
           rc.right, rc.bottom, ::IsWindowVisible(hWnd) ? 1 : 0, Text(hWnd).c_str());
    if (::IsWindowVisible(hWnd))
        ::EnumChildWindows(hWnd, PrintChild, 0);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: OrvWindows EXE_NAME\n");
        return 2;
    }
    std::set<DWORD> ids = ProcessIds(argv[1]);
    ::EnumWindows(PrintTop, reinterpret_cast<LPARAM>(&ids));
    return ids.empty() ? 1 : 0;
}
