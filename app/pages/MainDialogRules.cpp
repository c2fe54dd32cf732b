#include "MainDialogRules.h"

#include <cstdint>

bool ComputeBackgroundSlice(const RECT& rc, int nClientW, int nClientH, const ImageEntry& background,
                            ImageEntry& slice) {
    if (nClientW <= 0 || nClientH <= 0 || background.cx <= 0 || background.cy <= 0)
        return false;
    // 64-bit products: a large screen rectangle times a large picture must not overflow.
    const int64_t iw = background.cx, ih = background.cy;
    int x = static_cast<int>(rc.left * iw / nClientW);
    int y = static_cast<int>(rc.top * ih / nClientH);
    slice = background;
    slice.x = background.x + x;
    slice.y = background.y + y;
    slice.cx = static_cast<int>(rc.right * iw / nClientW) - x;
    slice.cy = static_cast<int>(rc.bottom * ih / nClientH) - y;
    return true;
}

int NextSlideIndex(int nCurrent, int nCount) {
    if (nCount <= 0)
        return nCurrent;
    int nNext = (nCurrent + 1) % nCount;
    if (nNext < 0)
        nNext = 0;
    if (nNext == 0 && nCount > 1)
        nNext = 1;
    return nNext;
}
