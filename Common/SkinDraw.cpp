#include "SkinDraw.h"

#include <gdiplus.h>

void DrawImageEntry(HDC hdc, Gdiplus::Image* pImage, int x, int y, int cx, int cy, int srcX, int srcY,
                    int srcCx, int srcCy) {
    if (!hdc || !pImage)
        return;
    Gdiplus::Graphics graphics(hdc);
    graphics.DrawImage(pImage, Gdiplus::Rect(x, y, cx, cy), srcX, srcY, srcCx, srcCy, Gdiplus::UnitPixel);
}

void DrawImageEntry(HDC hdc, const ImageEntry& entry, int x, int y, int cx, int cy) {
    DrawImageEntry(hdc, entry.pImage, x, y, cx, cy, entry.x, entry.y, entry.cx, entry.cy);
}

bool DrawImageKey(HDC hdc, int nType, UINT nIndex, int x, int y, int cx, int cy) {
    ImageEntry entry;
    if (!LookupImage(nType, nIndex, entry))
        return false;
    DrawImageEntry(hdc, entry, x, y, cx, cy);
    return true;
}

bool MakeSkinnedWindow(HWND hWnd) {
    LONG_PTR nOldEx = ::GetWindowLongPtrW(hWnd, GWL_EXSTYLE);
    ::SetWindowLongPtrW(hWnd, GWL_EXSTYLE, nOldEx | WS_EX_LAYERED);
    if (::SetLayeredWindowAttributes(hWnd, kColorKey, 0, LWA_COLORKEY))
        return true;
    bool bChild = (::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD) != 0;
    // A child left layered without attributes would never be drawn.
    ::SetWindowLongPtrW(hWnd, GWL_EXSTYLE, nOldEx);
    return bChild;
}

void PaintParentBackground(HWND hControl, HDC hdc) {
    HWND hParent = ::GetParent(hControl);
    RECT rcClient = {}, rcParent = {}, rcWindow = {};
    if (!hParent || !::GetClientRect(hControl, &rcClient) || !::GetClientRect(hParent, &rcParent))
        return;
    if (rcParent.right <= 0 || rcParent.bottom <= 0)
        return;
    ::GetWindowRect(hControl, &rcWindow);
    ::MapWindowPoints(HWND_DESKTOP, hParent, reinterpret_cast<POINT*>(&rcWindow), 2);
    CMemoryDc memDc(::CreateCompatibleDC(hdc));
    CBitmapHandle bitmap(::CreateCompatibleBitmap(hdc, rcParent.right, rcParent.bottom));
    if (!memDc || !bitmap)
        return;
    CSelectObject selectBitmap(memDc.Get(), bitmap.Get());
    ::SendMessageW(hParent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memDc.Get()), 0);
    ::BitBlt(hdc, 0, 0, rcClient.right, rcClient.bottom, memDc.Get(), rcWindow.left, rcWindow.top, SRCCOPY);
}

LOGFONTA MakeFontDesc(int nHeight, int nWeight, bool bUnderline) {
    LOGFONTA desc = {};
    desc.lfHeight = nHeight;
    desc.lfWeight = nWeight;
    desc.lfUnderline = bUnderline ? 1 : 0;
    desc.lfCharSet = GB2312_CHARSET;
    lstrcpynA(desc.lfFaceName, "宋体", LF_FACESIZE);
    return desc;
}

bool CreateControlFont(const LOGFONTA& desc, CFontHandle& font) {
    font.Reset();
    font.Reset(::CreateFontIndirectA(&desc));
    return font.IsValid();
}

std::wstring GetWindowTextWide(HWND hWnd) {
    int nLength = ::GetWindowTextLengthW(hWnd);
    if (nLength <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(nLength) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hWnd, &text[0], nLength + 1)));
    return text;
}

void TrackMouseLeave(HWND hWnd) {
    TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, hWnd, 0};
    ::TrackMouseEvent(&tme);
}
