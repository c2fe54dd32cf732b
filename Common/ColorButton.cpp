#include "ColorButton.h"

#include "SkinDraw.h"
#include "SkinMath.h"

bool CColorButton::SetTextFont(const LOGFONTA& desc) {
    m_bShowText = true;
    return CreateControlFont(desc, m_font);
}

UINT CColorButton::CurrentState() const {
    return ButtonStateIndex(!::IsWindowEnabled(GetHwnd()), false, m_bHovering, m_bFixedNormal);
}

void CColorButton::OnAttached() {
    LONG_PTR nStyle = ::GetWindowLongPtrW(GetHwnd(), GWL_STYLE);
    ::SetWindowLongPtrW(GetHwnd(), GWL_STYLE, (nStyle & ~BS_TYPEMASK) | BS_OWNERDRAW | BS_NOTIFY);
}

void CColorButton::PaintTo(HDC hdc, int cx, int cy) {
    Draw(hdc, RECT{0, 0, cx, cy}, CurrentState());
}

void CColorButton::Draw(HDC hdc, const RECT& rc, UINT nState) {
    ::SetBkMode(hdc, TRANSPARENT);
    DrawImageKey(hdc, m_nImageType, nState, 0, 0, rc.right, rc.bottom);
    if (!m_bShowText)
        return;
    std::wstring text = GetWindowTextWide(GetHwnd());
    RECT rcText = ButtonCaptionRect(rc);
    HGDIOBJ hOld = m_font ? ::SelectObject(hdc, m_font.Get()) : nullptr;
    ::SetTextColor(hdc, m_textColor);
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rcText,
                DT_CENTER | DT_TOP | DT_SINGLELINE);
    if (hOld)
        ::SelectObject(hdc, hOld);
}

bool CColorButton::OnReflected(UINT nMsg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (nMsg != WM_DRAWITEM)
        return false;
    const auto* pItem = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    bool bPressed = (pItem->itemState & ODS_SELECTED) != 0;
    Draw(pItem->hDC, pItem->rcItem,
         ButtonStateIndex(!::IsWindowEnabled(GetHwnd()), bPressed, m_bHovering, m_bFixedNormal));
    result = TRUE;
    return true;
}

void CColorButton::OnMouseMove() {
    ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
    TrackMouseLeave(GetHwnd());
    if (!m_bHovering) {
        m_bHovering = true;
        ::InvalidateRect(GetHwnd(), nullptr, TRUE);
    }
}

bool CColorButton::OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (nMsg) {
        case WM_MOUSEMOVE:
            OnMouseMove();
            return false;
        case WM_MOUSELEAVE:
            if (m_bHovering) {
                m_bHovering = false;
                ::InvalidateRect(GetHwnd(), nullptr, TRUE);
            }
            result = 0;
            return true;
        case WM_SETCURSOR:
            // The button's own handling would put the arrow back on every move.
            if (!m_bHovering)
                return false;
            ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
            result = TRUE;
            return true;
        case WM_ERASEBKGND:
            PaintParentBackground(GetHwnd(), reinterpret_cast<HDC>(wParam));
            result = TRUE;
            return true;
        default:
            return false;
    }
}
