#include "HostedPage.h"

#include "SkinMath.h"

bool CHostedPage::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (nMsg) {
        case WM_ERASEBKGND:
            OnEraseBackground(reinterpret_cast<HDC>(wParam));
            result = TRUE;
            return true;
        case WM_NCHITTEST:
            result = PageHitTest();
            return true;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            m_tooltip.RelayEvent(GetHwnd(), nMsg, wParam, lParam);
            break;
        default:
            break;
    }
    return OnPageMessage(nMsg, wParam, lParam, result);
}
