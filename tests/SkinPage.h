// What the tests of the skinned controls share: one real page over a real background, and
// solid-colour pictures, so that a pixel tells which frame (or nothing) was drawn.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "DialogBase.h"
#include "SkinTestSupport.h"

const COLORREF kBackground = RGB(0, 128, 0);
const COLORREF kButton[5] = {RGB(200, 0, 0), RGB(0, 0, 200), RGB(200, 200, 0), RGB(128, 128, 128),
                             RGB(0, 0, 0)};
const COLORREF kUnchecked[5] = {RGB(255, 128, 0), RGB(255, 192, 128), RGB(160, 80, 0), RGB(96, 96, 96), 0};
const COLORREF kChecked[5] = {RGB(0, 200, 200), RGB(128, 255, 255), RGB(0, 100, 100), RGB(64, 64, 64), 0};
const COLORREF kTrack = RGB(40, 40, 40);
const COLORREF kFill = RGB(250, 250, 0);

// A page of the install-path template over the shared background, as the program's pages are.
class CBackgroundPage : public CDialogBase {
public:
    CBackgroundPage();

protected:
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

// One page for all the tests of a program, shown inside a main-window template, with GDI+
// started before it and ended after it: here Wine takes about two seconds to take a shown
// top-level window off the display (Xvfb, no window manager). Each test files the solid
// pictures above.
class SkinPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    // Takes over a template control of the page and gives it a place.
    void Place(int nId, CSubclassedWindow& control, int x, int y, int cx, int cy);

    CSolidImageSource m_images;
    CBackgroundPage& m_page = *s_pPage;

private:
    static CGdiplusSession* s_pGdiplus;
    static CDialogBase* s_pHost;
    static CBackgroundPage* s_pPage;
};

// Whether the pointer shows the hand now.
bool IsHandCursor();
