#include "InstallHost.h"

#include "SkinDraw.h"

void IInstallHost::DrawBackgroundBehind(HWND hPage, HDC hdc) const {
    RECT rc = {};
    ::GetClientRect(hPage, &rc);
    RECT rcScreen = rc;
    ::MapWindowPoints(hPage, HWND_DESKTOP, reinterpret_cast<POINT*>(&rcScreen), 2);
    ImageEntry entry;
    if (GetBackgroundSlice(rcScreen, entry))
        DrawImageEntry(hdc, entry, 0, 0, rc.right, rc.bottom);
}
