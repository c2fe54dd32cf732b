// A C++ object in front of an existing window, hooked in through comctl32's subclass chain
// (SetWindowSubclass), so that it stacks with other subclassers of the same window (a
// TTF_SUBCLASS tooltip) and leaves in any order without unhooking them. The object handles
// what it wants and hands the rest down the chain. Controls of dialog templates become
// skinned controls this way (CDialogBase::Attach).
#pragma once

#include <windows.h>

#include "Handles.h"

class CSubclassedWindow {
public:
    CSubclassedWindow() = default;
    virtual ~CSubclassedWindow();
    CSubclassedWindow(const CSubclassedWindow&) = delete;
    CSubclassedWindow& operator=(const CSubclassedWindow&) = delete;

    // Hooks the object into the window and calls OnAttached. False when the window is
    // invalid, already has an object, or the platform refused the hook. User-interface
    // thread of the window.
    bool Attach(HWND hWnd);
    // Unhooks the object only; subclassers hooked before or after it stay. Also done when
    // the window is destroyed.
    void Detach();

    HWND GetHwnd() const { return m_hWnd; }
    // The object attached to a window, or null.
    static CSubclassedWindow* FromHandle(HWND hWnd);

    // A notification that the parent received about this control (WM_DRAWITEM,
    // WM_CTLCOLOR*, WM_COMMAND) and hands back to it. True when the control answered it
    // (result holds the answer); WM_COMMAND goes on to the parent's handlers either way.
    virtual bool OnReflected(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Paints the control's content (not its background) onto a surface of cx x cy pixels;
    // used to compose a page in one picture. The default asks the window to print itself.
    virtual void PaintTo(HDC hdc, int cx, int cy);

    // The look a row of a control table gives (ApplyControlTable); a skinned control that
    // draws its own text or pictures overrides what it draws. The defaults suit a control the
    // platform draws: the font goes to the window (WM_SETFONT; the previous one is destroyed
    // after the window has let go of it; false when none could be made), the colour is set on
    // the surface of every WM_CTLCOLOR* the parent hands back, and a picture type is ignored.
    virtual bool SetTextFont(const LOGFONTA& desc);
    virtual void SetTextColor(COLORREF color) { m_textColor = color; }
    virtual void SetImageType(int) {}

protected:
    // Called once the hook is in place: the place to adjust styles.
    virtual void OnAttached() {}
    // The control's own messages. True when handled (result holds the answer).
    virtual bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The rest of the chain's handling; only while OnMessage runs.
    LRESULT DefaultProc(UINT nMsg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam, UINT_PTR nId,
                                         DWORD_PTR nRefData);

    HWND m_hWnd = nullptr;
    CFontHandle m_font;
    COLORREF m_textColor = CLR_INVALID;
};

// Paints the control (its parent's background, then its own content through PaintTo) into
// an off-screen picture and copies that to the control's place on the parent's surface.
// A hidden control is left out.
void CompositeControl(CSubclassedWindow& control, HDC hParentDc);
