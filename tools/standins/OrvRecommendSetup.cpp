// Stand-in for a recommended product's installer: records that it ran, from where and with
// what arguments ("recommend<TAB>path=...<TAB>args=..."), then ends.
#include "StandinRecord.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char szPath[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, szPath, sizeof(szPath) - 1);
    StandinRecord(nullptr, std::string("recommend\tpath=") + szPath + "\targs=" + StandinArguments());
    return 0;
}
