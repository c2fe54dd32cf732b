// The arithmetic of the skinned controls, apart from any window so that tests reach it.
#pragma once

#include <windows.h>

// Visual state of a button, the index of its picture strip.
enum ButtonState : UINT { kStateNormal = 0, kStateHover = 1, kStatePressed = 2, kStateDisabled = 3 };

// Disabled wins over pressed, pressed over hover; fixed normal always gives normal.
UINT ButtonStateIndex(bool bDisabled, bool bPressed, bool bHovering, bool bFixedNormal);

// Frames per strip picture; the last one is never filed.
constexpr int kStripFrames = 5;
constexpr int kStripFiledFrames = 4;
// Source rectangle (left, top, right, bottom) of frame nIndex of a strip of cx x cy pixels.
RECT StripFrameRect(int cx, int cy, UINT nIndex);

// Filled width of a progress bar of nWidth pixels: position * 100 / (high - low) percent in
// integer steps, 0 for an empty range or a negative result, at most 100 percent.
int ProgressFillWidth(int nWidth, int nLow, int nHigh, int nPos);

// Where a check box draws its frame: the source rectangle less its last two columns and
// rows, into the item rectangle grown by one pixel on each side.
void CheckBoxDrawRects(const RECT& item, int srcX, int srcY, int srcCx, int srcCy, RECT& dest, RECT& src);

// Text rectangle of a button caption: the button's rectangle with its top 6 pixels lower.
RECT ButtonCaptionRect(const RECT& button);

// Hit-test answers of the skinned windows. A whole-picture window is dragged anywhere in
// its client area; the main window only in its top strip; pages let every point through.
LRESULT DragAnywhereHitTest(LRESULT nDefault);
LRESULT TopStripHitTest(LRESULT nDefault, int nClientY, int nStripHeight);
LRESULT PageHitTest();

// The top-left corner that centres a window of cx x cy pixels in rcArea (a work area); a
// window larger than the area starts left of or above it by half the excess.
POINT CentredOrigin(const RECT& rcArea, int cx, int cy);
