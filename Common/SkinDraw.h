// Drawing shared by the skinned windows and controls: pictures of the image store drawn into
// rectangles, the magenta colour key that cuts a window's outline, controls that look
// transparent over their parent's picture, and the fonts the controls own.
// User-interface thread only; nothing here reports failure to draw (the next paint retries).
#pragma once

#include <windows.h>

#include <string>

#include "Handles.h"
#include "ImageKeys.h"
#include "ImageSource.h"

// Colours as 0x00BBGGRR.
constexpr COLORREF kColorKey = RGB(255, 0, 255);
constexpr COLORREF kDefaultTextColor = RGB(39, 47, 52);  // 0x342F27
constexpr COLORREF kButtonTextColor = RGB(73, 89, 112);  // 0x705949

// Draws the source rectangle of an image into the destination rectangle (x, y, cx, cy),
// scaled when the sizes differ, without attributes. A null image draws nothing.
void DrawImageEntry(HDC hdc, Gdiplus::Image* pImage, int x, int y, int cx, int cy, int srcX, int srcY,
                    int srcCx, int srcCy);
void DrawImageEntry(HDC hdc, const ImageEntry& entry, int x, int y, int cx, int cy);
// Looks (nType, nIndex) up in the current store and draws it; false when it is not filed.
bool DrawImageKey(HDC hdc, int nType, UINT nIndex, int x, int y, int cx, int cy);

// Makes a window layered with 0xFF00FF as its transparent colour. A child window on a
// platform that refuses layered children stays as it was: the top-level window's key
// already cuts what the child paints in that colour. False only when a top-level window
// could not be made layered.
bool MakeSkinnedWindow(HWND hWnd);

// Paints the part of the parent's background that lies under the control onto hdc at (0, 0)
// (the parent paints itself through WM_ERASEBKGND into an off-screen picture).
void PaintParentBackground(HWND hControl, HDC hdc);

// A font description with the program's face "宋体" and character set 134.
LOGFONTA MakeFontDesc(int nHeight, int nWeight = FW_NORMAL, bool bUnderline = false);
// Destroys what font holds, then creates the described font into it. False when the
// platform made no font (font is then empty).
bool CreateControlFont(const LOGFONTA& desc, CFontHandle& font);

// The window's text as the platform stores it (Unicode), for drawing.
std::wstring GetWindowTextWide(HWND hWnd);
// Asks the platform for WM_MOUSELEAVE once the mouse has left the window.
void TrackMouseLeave(HWND hWnd);
