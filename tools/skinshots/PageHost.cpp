#include "PageHost.h"

#include "ImageSource.h"
#include "MainDialogRules.h"
#include "SkinDraw.h"
#include "resource.h"

CPageHost::CPageHost()
    : CDialogBase(IDD_ORVANE_DIALOG),
      m_texts{"Orvane 视频客户端", "Velmora Tessel", "Orvane", "", "Orvane"} {}

bool CPageHost::Open(int x, int y) {
    if (!Create(nullptr))
        return false;
    HWND hWnd = GetHwnd();
    MakeSkinnedWindow(hWnd);
    RECT rc = {0, 0, 600, 400};
    ::AdjustWindowRectEx(&rc, static_cast<DWORD>(::GetWindowLongPtrW(hWnd, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(hWnd, GWL_EXSTYLE)));
    ::SetWindowPos(hWnd, HWND_TOP, x, y, rc.right - rc.left, rc.bottom - rc.top, SWP_SHOWWINDOW);
    return true;
}

bool CPageHost::GetBackgroundSlice(const RECT& rcScreen, ImageEntry& entry) const {
    ImageEntry background;
    RECT rcClient = {};
    if (!LookupImage(kImageBackground, 0, background) || !::GetClientRect(GetHwnd(), &rcClient))
        return false;
    RECT rc = rcScreen;
    ::MapWindowPoints(HWND_DESKTOP, GetHwnd(), reinterpret_cast<POINT*>(&rc), 2);
    return ComputeBackgroundSlice(rc, rcClient.right, rcClient.bottom, background, entry);
}

bool CPageHost::OnMessage(UINT nMsg, WPARAM, LPARAM, LRESULT& result) {
    if (nMsg != WM_ERASEBKGND)
        return false;
    result = TRUE;  // the pages draw everything
    return true;
}
