// Where the skinned controls find their pictures. The controls live with the shared modules
// and know nothing of the program's picture store; the program hands its store over once at
// start-up, before any skinned window is created.
#pragma once

#include <windows.h>

namespace Gdiplus {
class Image;
}

// A picture and the rectangle inside it that one key stands for. The image is not owned.
struct ImageEntry {
    Gdiplus::Image* pImage = nullptr;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
};

class CImageSource {
public:
    // True when (nType, nIndex) is filed; entry is left as the caller preset it otherwise.
    // User-interface thread; must not block.
    virtual bool GetImage(int nType, UINT nIndex, ImageEntry& entry) = 0;

    // The store the controls draw from; null until the program sets it (nothing is drawn).
    static CImageSource* Current();
    static void SetCurrent(CImageSource* pSource);

protected:
    ~CImageSource() = default;
};

// Looks a key up in the current store; false (entry untouched) when there is none.
bool LookupImage(int nType, UINT nIndex, ImageEntry& entry);
