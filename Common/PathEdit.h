// The one-line field that shows the install folder: the platform's edit field for display,
// selection and scrolling, with typed characters swallowed, its text in 0x342F27 and a font
// of its own (SetTextFont). User-interface thread only.
#pragma once

#include "SubclassedWindow.h"

class CPathEdit : public CSubclassedWindow {
public:
    CPathEdit();

protected:
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};
