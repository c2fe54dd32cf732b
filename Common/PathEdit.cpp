#include "PathEdit.h"

#include "SkinDraw.h"

CPathEdit::CPathEdit() {
    SetTextColor(kDefaultTextColor);
}

bool CPathEdit::OnMessage(UINT nMsg, WPARAM, LPARAM, LRESULT& result) {
    if (nMsg != WM_CHAR)
        return false;
    result = 0;
    return true;
}
