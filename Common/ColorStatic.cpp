#include "ColorStatic.h"

#include <string>

#include "SkinDraw.h"

void CColorStatic::SetTextColor(COLORREF color) {
    m_textColor = color;
    m_currentColor = color;
}

bool CColorStatic::SetTextFont(const LOGFONTA& desc) {
    return CreateControlFont(desc, m_font);
}

bool CColorStatic::SetHoverFont(const LOGFONTA& desc) {
    return CreateControlFont(desc, m_hoverFont);
}

void CColorStatic::OnAttached() {
    HWND hWnd = GetHwnd();
    LONG_PTR nStyle = ::GetWindowLongPtrW(hWnd, GWL_STYLE);
    ::SetWindowLongPtrW(hWnd, GWL_STYLE,
                        (nStyle & ~SS_TYPEMASK) | SS_OWNERDRAW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    ::SetWindowLongPtrW(hWnd, GWL_EXSTYLE, ::GetWindowLongPtrW(hWnd, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
}

SIZE CColorStatic::MeasureText() const {
    SIZE size = {0, 0};
    std::wstring text = GetWindowTextWide(GetHwnd());
    if (text.empty())
        return size;
    CWindowDc dc(GetHwnd());
    if (!dc.Get())
        return size;
    HGDIOBJ hOld = m_font ? ::SelectObject(dc.Get(), m_font.Get()) : nullptr;
    ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    if (hOld)
        ::SelectObject(dc.Get(), hOld);
    return size;
}

int CColorStatic::GetTextWidth() const {
    return MeasureText().cx;
}

int CColorStatic::GetTextHeight() const {
    return MeasureText().cy;
}

void CColorStatic::DrawText(HDC hdc, const RECT& rc) {
    HFONT hFont = m_font.Get();
    m_currentColor = m_textColor;
    if (m_bHovering) {
        if (m_hoverFont)
            hFont = m_hoverFont.Get();
        m_currentColor = m_hoverColor;
    }
    std::wstring text = GetWindowTextWide(GetHwnd());
    RECT rcText = rc;
    HGDIOBJ hOld = hFont ? ::SelectObject(hdc, hFont) : nullptr;
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, m_currentColor);
    ::DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rcText, DT_LEFT | DT_TOP);
    if (hOld)
        ::SelectObject(hdc, hOld);
}

void CColorStatic::PaintTo(HDC hdc, int cx, int cy) {
    DrawText(hdc, RECT{0, 0, cx, cy});
}

void CColorStatic::DrawItem(const DRAWITEMSTRUCT& item) {
    RECT rc = {};
    ::GetClientRect(GetHwnd(), &rc);
    CMemoryDc memDc(::CreateCompatibleDC(item.hDC));
    CBitmapHandle bitmap(::CreateCompatibleBitmap(item.hDC, rc.right, rc.bottom));
    if (!memDc || !bitmap)
        return;
    CSelectObject selectBitmap(memDc.Get(), bitmap.Get());
    PaintParentBackground(GetHwnd(), memDc.Get());
    DrawText(memDc.Get(), item.rcItem);
    ::BitBlt(item.hDC, 0, 0, rc.right, rc.bottom, memDc.Get(), 0, 0, SRCCOPY);
}

bool CColorStatic::OnReflected(UINT nMsg, WPARAM, LPARAM lParam, LRESULT& result) {
    if (nMsg != WM_DRAWITEM)
        return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

bool CColorStatic::OnMouse(UINT nMsg) {
    if (!m_bHoverEnabled)
        return false;
    if (nMsg == WM_MOUSEMOVE) {
        TrackMouseLeave(GetHwnd());
        if (!m_bHovering) {
            ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
            m_bHovering = true;
            ::InvalidateRect(GetHwnd(), nullptr, TRUE);
        }
        return false;
    }
    if (m_bHovering) {
        m_bHovering = false;
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
        ::InvalidateRect(GetHwnd(), nullptr, TRUE);
    }
    return true;
}

bool CColorStatic::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (nMsg) {
        case WM_SETTEXT: {
            CWindowDc dc(GetHwnd());
            if (dc.Get())
                PaintParentBackground(GetHwnd(), dc.Get());
            DefaultProc(nMsg, wParam, lParam);
            result = TRUE;
            return true;
        }
        case WM_SETCURSOR:
            // The static's own handling would put the arrow back on every move.
            if (!m_bHovering)
                return false;
            ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
            result = TRUE;
            return true;
        case WM_MOUSEMOVE:
            return OnMouse(nMsg);
        case WM_MOUSELEAVE:
            result = 0;
            return OnMouse(nMsg);
        default:
            return false;
    }
}
