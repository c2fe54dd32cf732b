// Stand-in for the service client library "Corvendil.dll": its one entry records the four
// numbers it was called with ("library<TAB>ReptQuasolSubscibe<TAB>1<TAB>1<TAB>8<TAB>0").
#include <cstdio>

#include "StandinRecord.h"

namespace {
HMODULE g_hModule = nullptr;
}

extern "C" __declspec(dllexport) int WINAPI
    ReptQuasolSubscibe(int nKind, int nAction, int nProductId, int nReserved) {
    char szLine[128];
    snprintf(szLine, sizeof(szLine), "library\tReptQuasolSubscibe\t%d\t%d\t%d\t%d", nKind, nAction,
             nProductId, nReserved);
    StandinRecord(g_hModule, szLine);
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH)
        g_hModule = hInstance;
    return TRUE;
}
