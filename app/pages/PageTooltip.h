// The platform tooltip of a page: one tip per control, fed with the page's mouse messages.
// The tooltip window is a child of the page's owner chain and is destroyed with the page.
// User-interface thread only.
#pragma once

#include <windows.h>

class CPageTooltip {
public:
    // Creates the tooltip for hPage and activates it; false when the platform made none.
    bool Create(HWND hPage);
    // Shows pszText (system code page) while the pointer is over the control nId; false
    // when the tooltip refused it.
    bool AddTool(int nId, const char* pszText);
    // Hands a mouse message of the page (move, left press, left release) to the tooltip.
    void RelayEvent(HWND hFrom, UINT nMsg, WPARAM wParam, LPARAM lParam);
    HWND GetHwnd() const { return m_hTip; }

private:
    HWND m_hPage = nullptr;
    HWND m_hTip = nullptr;
};
