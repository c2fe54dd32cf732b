// Stand-in for the installed product's client: records the command line it was given and
// the folder it runs in ("client<TAB>cmdline=...<TAB>cwd=..."), then ends.
#include "StandinRecord.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    StandinRecord(nullptr,
                  std::string("client\tcmdline=") + ::GetCommandLineA() + "\tcwd=" + StandinCurrentFolder());
    return 0;
}
