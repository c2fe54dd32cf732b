// A C++ object in front of an existing window: the window's procedure is replaced by one
// that reaches the object, and the object hands whatever it does not handle to the old one.
// Controls of dialog templates become skinned controls this way (CDialogBase::Attach).
#pragma once

#include <windows.h>

class CSubclassedWindow {
public:
    CSubclassedWindow() = default;
    virtual ~CSubclassedWindow();
    CSubclassedWindow(const CSubclassedWindow&) = delete;
    CSubclassedWindow& operator=(const CSubclassedWindow&) = delete;

    // Takes the window over and calls OnAttached. False when the window is invalid or
    // already has an object. User-interface thread of the window.
    bool Attach(HWND hWnd);
    // Gives the window its own procedure back; also done when the window is destroyed.
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

protected:
    // Called once the window procedure is in place: the place to adjust styles.
    virtual void OnAttached() {}
    // The control's own messages. True when handled (result holds the answer).
    virtual bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The window's original handling.
    LRESULT DefaultProc(UINT nMsg, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;
    WNDPROC m_pOldProc = nullptr;
};
