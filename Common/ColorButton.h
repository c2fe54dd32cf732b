// A push button drawn from a four-state picture strip of the image store; once it has a font
// of its own it also draws its caption, 6 pixels below its top edge. It follows the mouse for its hover
// picture and shows the hand cursor; its clicks reach the dialog as the button's command. User-interface
// thread only.
#pragma once

#include "Handles.h"
#include "SubclassedWindow.h"

class CColorButton : public CSubclassedWindow {
public:
    void SetImageType(int nType) override { m_nImageType = nType; }
    void SetTextColor(COLORREF color) override { m_textColor = color; }
    // Shows the caption from now on in a new font (the previous one is destroyed); false when
    // no font could be made, and the caption is then drawn in the surface's font.
    bool SetTextFont(const LOGFONTA& desc) override;
    // Always draw the normal picture (for a type that has only index 0).
    void SetFixedNormal(bool bFixed) { m_bFixedNormal = bFixed; }

    void PaintTo(HDC hdc, int cx, int cy) override;
    bool OnReflected(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    bool IsHovering() const { return m_bHovering; }
    void OnAttached() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The picture index the button would draw now (without the pressed state).
    UINT CurrentState() const;
    void Draw(HDC hdc, const RECT& rc, UINT nState);
    void OnMouseMove();

    bool m_bHovering = false;
    int m_nImageType = 0;
    bool m_bShowText = false;
    CFontHandle m_font;
    COLORREF m_textColor = 0;
    bool m_bFixedNormal = false;
};
