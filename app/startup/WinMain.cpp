#include <windows.h>

#include "Orvane.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    static COrvaneApp theApp;
    theApp.InitInstance();
    return theApp.ExitInstance();
}
