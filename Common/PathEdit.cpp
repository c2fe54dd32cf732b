#include "PathEdit.h"

#include "SkinDraw.h"

bool CPathEdit::SetTextFont(const LOGFONTA& desc) {
    CFontHandle font;
    if (!CreateControlFont(desc, font))
        return false;
    // The field lets go of the old font before it is destroyed.
    ::SendMessageW(GetHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    m_font = std::move(font);
    return true;
}

bool CPathEdit::OnReflected(UINT nMsg, WPARAM wParam, LPARAM, LRESULT&) {
    // The colour is set here; the brush stays the parent's choice (not answered).
    if (nMsg == WM_CTLCOLOREDIT || nMsg == WM_CTLCOLORSTATIC) {
        ::SetTextColor(reinterpret_cast<HDC>(wParam), kDefaultTextColor);
    }
    return false;
}

bool CPathEdit::OnMessage(UINT nMsg, WPARAM, LPARAM, LRESULT& result) {
    if (nMsg != WM_CHAR)
        return false;
    result = 0;
    return true;
}
