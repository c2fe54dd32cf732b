#include "SkinMath.h"

UINT ButtonStateIndex(bool bDisabled, bool bPressed, bool bHovering, bool bFixedNormal) {
    if (bFixedNormal)
        return kStateNormal;
    if (bDisabled)
        return kStateDisabled;
    if (bPressed)
        return kStatePressed;
    return bHovering ? kStateHover : kStateNormal;
}

RECT StripFrameRect(int cx, int cy, UINT nIndex) {
    int nFrame = cx / kStripFrames;
    int nLeft = nFrame * static_cast<int>(nIndex < kStripFrames ? nIndex : 0);
    return RECT{nLeft, 0, nLeft + nFrame, cy};
}

int ProgressFillWidth(int nWidth, int nLow, int nHigh, int nPos) {
    long long nRange = static_cast<long long>(nHigh) - nLow;
    if (nRange == 0 || nWidth <= 0)
        return 0;
    long long nPercent = static_cast<long long>(nPos) * 100 / nRange;
    if (nPercent <= 0)
        return 0;
    // A position beyond the range would otherwise paint outside the bar.
    if (nPercent > 100)
        nPercent = 100;
    return static_cast<int>(nWidth * nPercent / 100);
}

void CheckBoxDrawRects(const RECT& item, int srcX, int srcY, int srcCx, int srcCy, RECT& dest, RECT& src) {
    dest = RECT{-1, -1, item.right + 1, item.bottom + 1};
    src = RECT{srcX, srcY, srcX + srcCx - 2, srcY + srcCy - 2};
}

RECT ButtonCaptionRect(const RECT& button) {
    RECT rc = button;
    rc.top += 6;
    return rc;
}

LRESULT DragAnywhereHitTest(LRESULT nDefault) {
    return nDefault == HTCLIENT ? HTCAPTION : nDefault;
}

LRESULT TopStripHitTest(LRESULT nDefault, int nClientY, int nStripHeight) {
    return (nDefault == HTCLIENT && nClientY >= 0 && nClientY < nStripHeight) ? HTCAPTION : nDefault;
}

LRESULT PageHitTest() {
    return HTTRANSPARENT;
}

POINT CentredOrigin(const RECT& rcArea, int cx, int cy) {
    return {rcArea.left + (rcArea.right - rcArea.left - cx) / 2,
            rcArea.top + (rcArea.bottom - rcArea.top - cy) / 2};
}
