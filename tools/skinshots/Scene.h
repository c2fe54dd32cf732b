// Taking the screenshots: a window is shown over a neutral backdrop, painted, and the screen
// area around it saved by ImageMagick's import (a program of the host system, which Wine
// starts like its own). The backdrop makes cut-out corners visible.
#pragma once

#include <windows.h>

#include <string>

// Shows a full-screen backdrop of grey squares behind every scene; once per run.
HWND CreateBackdrop();

// Runs the window's messages for a moment (dropping WM_MOUSELEAVE, so that a hover state
// set by a mouse-move message stays while the picture is taken) and saves the screen area
// of the window plus nMargin pixels around it as strOutDir/strName.png. False when import
// could not be run or failed.
bool TakeShot(HWND hWnd, const std::string& strOutDir, const std::string& strName, int nMargin = 12);

// Dispatches queued messages for nMs milliseconds, dropping WM_MOUSELEAVE.
void RunMessages(DWORD nMs);

// The control scenes: every button strip, the check boxes, labels, progress bars and the
// path field in each of their states. Answers the number of pictures that failed.
int ShootControls(const std::string& strOutDir);
