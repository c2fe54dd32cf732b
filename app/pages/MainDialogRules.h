// The main dialog's numbers as plain functions, so that tests reach them without a window:
// the part of the shared background behind a page, the band the window is dragged by and
// the order of the slides.
#pragma once

#include <windows.h>

#include "ImageSource.h"

// The part of the shared background picture behind a page: rcInClient is the page's rectangle
// in the main dialog's client co-ordinates, nClientW x nClientH the client size. False when
// the client area is empty or the picture has no size.
bool ComputeBackgroundSlice(const RECT& rcInClient, int nClientW, int nClientH, const ImageEntry& background,
                            ImageEntry& slice);

// The main dialog is dragged by this many pixels at the top of its client area.
constexpr int kTitleBandHeight = 71;

// The slide after nCurrent among nCount: 1, 2, ..., n-1, 1, ...; 0 stays 0 with one slide;
// nCurrent unchanged with none.
int NextSlideIndex(int nCurrent, int nCount);
