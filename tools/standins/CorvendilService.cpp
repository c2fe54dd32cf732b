// Stand-in for the service client program "Corvendil.exe": records its arguments
// ("service<TAB>args=-i") and the folder it was started from, then ends.
#include "StandinRecord.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    StandinRecord(nullptr,
                  "service\targs=" + StandinArguments() + "\tfolder=" + StandinModuleFolder(nullptr));
    return 0;
}
