// Stand-in for the installed product's client: records the command line it was given and
// the folder it runs in ("client<TAB>cmdline=...<TAB>cwd=..."), then ends. The line also goes
// beside the client: started through the desktop's shell, the client has the environment of
// Wine's desktop process, which is the environment of whichever program started that process,
// so the record it names may be another test's.
#include "StandinRecord.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::string strLine =
        std::string("client\tcmdline=") + ::GetCommandLineA() + "\tcwd=" + StandinCurrentFolder();
    StandinRecord(nullptr, strLine);
    if (!StandinRecordFile().empty())
        StandinAppendLine(StandinModuleFolder(nullptr) + "standins.log", strLine);
    return 0;
}
