// What the tests of the skinned windows share: a picture store of solid-colour frames (so a
// pixel tells which frame was drawn), the message pump, and a snapshot of what a window shows.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <memory>
#include <utility>
#include <vector>

#include "Handles.h"
#include "ImageSource.h"

// Pictures made in memory: strips of five solid frames and whole solid pictures, optionally
// with magenta (0xFF00FF) corner squares. Sets itself current while it lives.
class CSolidImageSource : public CImageSource {
public:
    CSolidImageSource();
    ~CSolidImageSource();
    // Files frames 0 to 3 of a five-frame strip under (nType, 0..3).
    void AddStrip(int nType, int nFrameCx, int nCy, const COLORREF (&colors)[5]);
    void AddWhole(int nType, UINT nIndex, int nCx, int nCy, COLORREF color, int nCornerKey = 0);
    bool GetImage(int nType, UINT nIndex, ImageEntry& entry) override;

private:
    std::vector<std::unique_ptr<Gdiplus::Image>> m_images;
    std::map<std::pair<int, UINT>, ImageEntry> m_entries;
};

// Dispatches what is queued for this thread for about nMs milliseconds.
void PumpMessages(DWORD nMs = 0);
// Runs fn once, nMs milliseconds from now, from whatever message loop of this thread runs
// then (a modal dialog's included). One at a time: a second call replaces a waiting fn.
void Later(UINT nMs, std::function<void()> fn);

// A window's text, and a text of the system code page, as wide strings.
std::wstring TextOf(HWND hWnd);
std::wstring Wide(const char* pszAnsi);

// What a window shows now: repainted at once (without dispatching queued messages) and read
// back from the window's surface.
class CSnapshot {
public:
    explicit CSnapshot(HWND hWnd);
    COLORREF Pixel(int x, int y) const;
    int Width() const { return m_cx; }
    int Height() const { return m_cy; }
    // Pixels of the area for which pred(colour) holds.
    template <typename Pred>
    int Count(const RECT& rc, Pred pred) const {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x) n += pred(Pixel(x, y)) ? 1 : 0;
        return n;
    }

private:
    int m_cx = 0;
    int m_cy = 0;
    std::vector<DWORD> m_pixels;
};

// The tooltip window whose tools belong to hOwner (a page), or null.
HWND FindTooltipOf(HWND hOwner);
// The text the tooltip shows for the control hTool of hOwner; empty when it has no tool there.
std::string TooltipText(HWND hTip, HWND hOwner, HWND hTool);

// Whether a colour is within a small distance of another (smoothing, dithering).
bool NearColor(COLORREF a, COLORREF b, int nTolerance = 8);
