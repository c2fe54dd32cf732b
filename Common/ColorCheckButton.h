// A check box drawn from two four-state picture strips (unchecked, checked) that keeps its
// own checked state: a click toggles it, BM_SETCHECK stores a state without repainting.
// Every drawing logs "Checked %d". User-interface thread only.
#pragma once

#include "SubclassedWindow.h"

class CColorCheckButton : public CSubclassedWindow {
public:
    int GetCheck() const { return m_nChecked; }

    bool OnReflected(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    void OnAttached() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Draw(const DRAWITEMSTRUCT& item);

    bool m_bHovering = false;
    // Any value but 0 draws as checked; a click makes it (value + 1) mod 2.
    int m_nChecked = 0;
};
