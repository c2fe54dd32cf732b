// A text label that paints its parent's picture under itself and then its text in a colour
// and font of its own; with hover enabled it acts as a link (hover colour and font, hand
// cursor). Setting a shorter text leaves nothing of the longer one. User-interface thread.
#pragma once

#include "Handles.h"
#include "SubclassedWindow.h"

class CColorStatic : public CSubclassedWindow {
public:
    // Also the current colour.
    void SetTextColor(COLORREF color) override;
    void SetHoverColor(COLORREF color) { m_hoverColor = color; }
    void SetHoverEnabled(bool bEnabled) { m_bHoverEnabled = bEnabled; }
    // Replace (and destroy) the previous font; false when none could be made.
    bool SetTextFont(const LOGFONTA& desc) override;
    bool SetHoverFont(const LOGFONTA& desc);

    // Size in pixels of the current text in the text font (0 for an empty text).
    int GetTextWidth() const;
    int GetTextHeight() const;
    void PaintTo(HDC hdc, int cx, int cy) override;
    bool OnReflected(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    // The colour of the last drawing.
    COLORREF GetCurrentColor() const { return m_currentColor; }
    bool IsHovering() const { return m_bHovering; }
    void OnAttached() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    SIZE MeasureText() const;
    void DrawText(HDC hdc, const RECT& rc);
    void DrawItem(const DRAWITEMSTRUCT& item);
    bool OnMouse(UINT nMsg);

    COLORREF m_textColor = RGB(39, 47, 52);
    COLORREF m_hoverColor = RGB(39, 47, 52);
    COLORREF m_currentColor = RGB(39, 47, 52);
    CFontHandle m_font;
    CFontHandle m_hoverFont;
    bool m_bHoverEnabled = false;
    bool m_bHovering = false;
};
