#include "ColorProgressCtrl.h"

#include <commctrl.h>

#include "Handles.h"
#include "SkinDraw.h"
#include "SkinMath.h"

namespace {
void DrawTrack(HDC hdc, int cx, int cy) {
    ::SetBkMode(hdc, TRANSPARENT);
    DrawImageKey(hdc, kImageProgress, kProgressTrack, 0, 0, cx, cy);
}
}  // namespace

void CColorProgressCtrl::SetRange(int nLow, int nHigh) {
    ::SendMessageW(GetHwnd(), PBM_SETRANGE32, static_cast<WPARAM>(nLow), static_cast<LPARAM>(nHigh));
}

void CColorProgressCtrl::SetPos(int nPos) {
    ::SendMessageW(GetHwnd(), PBM_SETPOS, static_cast<WPARAM>(nPos), 0);
}

int CColorProgressCtrl::FillWidth() const {
    RECT rc = {};
    ::GetClientRect(GetHwnd(), &rc);
    PBRANGE range = {};
    ::SendMessageW(GetHwnd(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    int nPos = static_cast<int>(::SendMessageW(GetHwnd(), PBM_GETPOS, 0, 0));
    return ProgressFillWidth(rc.right, range.iLow, range.iHigh, nPos);
}

void CColorProgressCtrl::OnAttached() {
    HWND hWnd = GetHwnd();
    ::SetWindowLongPtrW(hWnd, GWL_STYLE, ::GetWindowLongPtrW(hWnd, GWL_STYLE) | PBS_SMOOTH);
    ::SetWindowLongPtrW(hWnd, GWL_EXSTYLE, ::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & ~WS_EX_STATICEDGE);
    ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void CColorProgressCtrl::PaintTo(HDC hdc, int cx, int cy) {
    DrawTrack(hdc, cx, cy);
    int nFill = FillWidth();
    if (nFill > 0)
        DrawImageKey(hdc, kImageProgress, kProgressFill, 0, 0, nFill, cy);
}

// Track and fill are composed off-screen, so a falling position leaves no old fill behind.
void CColorProgressCtrl::Paint() {
    CPaintDc paintDc(GetHwnd());
    RECT rc = {};
    ::GetClientRect(GetHwnd(), &rc);
    CMemoryDc memDc(::CreateCompatibleDC(paintDc.Get()));
    CBitmapHandle bitmap(::CreateCompatibleBitmap(paintDc.Get(), rc.right, rc.bottom));
    if (!memDc || !bitmap)
        return;
    CSelectObject selectBitmap(memDc.Get(), bitmap.Get());
    PaintTo(memDc.Get(), rc.right, rc.bottom);
    ::BitBlt(paintDc.Get(), 0, 0, rc.right, rc.bottom, memDc.Get(), 0, 0, SRCCOPY);
}

bool CColorProgressCtrl::OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (nMsg) {
        case WM_ERASEBKGND: {
            RECT rc = {};
            ::GetClientRect(GetHwnd(), &rc);
            DrawTrack(reinterpret_cast<HDC>(wParam), rc.right, rc.bottom);
            result = TRUE;
            return true;
        }
        case WM_PAINT:
            Paint();
            result = 0;
            return true;
        case WM_PRINTCLIENT: {
            RECT rc = {};
            ::GetClientRect(GetHwnd(), &rc);
            PaintTo(reinterpret_cast<HDC>(wParam), rc.right, rc.bottom);
            result = 0;
            return true;
        }
        default:
            return false;
    }
}
