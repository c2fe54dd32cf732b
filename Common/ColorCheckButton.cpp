#include "ColorCheckButton.h"

#include "ImageKeys.h"
#include "Log.h"
#include "SkinDraw.h"
#include "SkinMath.h"

void CColorCheckButton::OnAttached() {
    LONG_PTR nStyle = ::GetWindowLongPtrW(GetHwnd(), GWL_STYLE);
    ::SetWindowLongPtrW(GetHwnd(), GWL_STYLE, (nStyle & ~BS_TYPEMASK) | BS_OWNERDRAW);
}

void CColorCheckButton::Draw(const DRAWITEMSTRUCT& item) {
    LOGF(0, "Checked %d\n", m_nChecked);
    int nType = m_nChecked != 0 ? kImageChecked : kImageUnchecked;
    UINT nState = ButtonStateIndex(!::IsWindowEnabled(GetHwnd()), (item.itemState & ODS_SELECTED) != 0,
                                   m_bHovering, false);
    ::SetBkMode(item.hDC, TRANSPARENT);
    ImageEntry entry;
    if (!LookupImage(nType, nState, entry))
        return;
    RECT dest, src;
    CheckBoxDrawRects(item.rcItem, entry.x, entry.y, entry.cx, entry.cy, dest, src);
    DrawImageEntry(item.hDC, entry.pImage, dest.left, dest.top, dest.right - dest.left,
                   dest.bottom - dest.top, src.left, src.top, src.right - src.left, src.bottom - src.top);
}

bool CColorCheckButton::OnReflected(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (nMsg == WM_DRAWITEM) {
        Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    if (nMsg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        m_nChecked = (m_nChecked + 1) % 2;
        ::InvalidateRect(GetHwnd(), nullptr, TRUE);
    }
    return false;
}

bool CColorCheckButton::OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (nMsg) {
        case BM_SETCHECK:
            m_nChecked = static_cast<int>(wParam);
            result = 0;
            return true;
        case BM_GETCHECK:
            result = m_nChecked;
            return true;
        case WM_MOUSEMOVE:
            TrackMouseLeave(GetHwnd());
            if (!m_bHovering) {
                m_bHovering = true;
                ::InvalidateRect(GetHwnd(), nullptr, TRUE);
            }
            return false;
        case WM_MOUSELEAVE:
            if (m_bHovering) {
                m_bHovering = false;
                ::InvalidateRect(GetHwnd(), nullptr, TRUE);
            }
            result = 0;
            return true;
        default:
            return false;
    }
}
