#include <windows.h>

#include "Orvane.h"
#include "SystemLibrary.h"

// The loader's own search for the program's imports, on systems that read it (Windows 10
// and later): the system folder only. The link leaves this section's place out of the
// header; the post-link step (cmake/set_load_config.py) points the directory at it.
namespace {

constexpr IMAGE_LOAD_CONFIG_DIRECTORY MakeLoadConfig() {
    IMAGE_LOAD_CONFIG_DIRECTORY config = {};
    config.Size = sizeof(config);
    config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;  // DependentLoadFlags
    return config;
}

}  // namespace

extern "C" __attribute__((used, section(".lcfg"))) constexpr IMAGE_LOAD_CONFIG_DIRECTORY g_loadConfig =
    MakeLoadConfig();

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    RestrictLibrarySearch();
    static COrvaneApp theApp;
    theApp.InitInstance();
    return theApp.ExitInstance();
}
