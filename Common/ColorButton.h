// A push button drawn from a four-state picture strip of the image store, with an optional
// caption 6 pixels below its top edge. It follows the mouse for its hover picture and shows
// the hand cursor; its clicks reach the dialog as the button's command.
// User-interface thread only.
#pragma once

#include "Handles.h"
#include "SubclassedWindow.h"

class CColorButton : public CSubclassedWindow {
public:
    void SetImageType(int nType) { m_nImageType = nType; }
    void SetShowText(bool bShow) { m_bShowText = bShow; }
    void SetTextColor(COLORREF color) { m_textColor = color; }
    // Replaces (and destroys) the previous caption font; false when none could be made.
    bool SetTextFont(const LOGFONTA& desc);
    // Always draw the normal picture (for a type that has only index 0).
    void SetFixedNormal(bool bFixed) { m_bFixedNormal = bFixed; }

    bool IsHovering() const { return m_bHovering; }
    // The picture index the button would draw now (without the pressed state).
    UINT CurrentState() const;

    void PaintTo(HDC hdc, int cx, int cy) override;
    bool OnReflected(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    void OnAttached() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Draw(HDC hdc, const RECT& rc, UINT nState);
    void OnMouseMove();

    bool m_bHovering = false;
    int m_nImageType = 0;
    bool m_bShowText = true;
    CFontHandle m_font;
    COLORREF m_textColor = 0;
    bool m_bFixedNormal = false;
};
