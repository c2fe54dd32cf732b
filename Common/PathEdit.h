// The one-line field that shows the install folder: the platform's edit field for display,
// selection and scrolling, with typed characters swallowed, its text in 0x342F27 and a font
// of its own. User-interface thread only.
#pragma once

#include "Handles.h"
#include "SubclassedWindow.h"

class CPathEdit : public CSubclassedWindow {
public:
    // Replaces (and destroys) the previous font and redraws at once; false only when no
    // font could be made.
    bool SetTextFont(const LOGFONTA& desc);

    bool OnReflected(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    CFontHandle m_font;
};
