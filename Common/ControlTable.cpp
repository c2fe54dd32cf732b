#include "ControlTable.h"

#include "DialogBase.h"
#include "SkinDraw.h"
#include "SubclassedWindow.h"

namespace {

bool IsEmpty(const RECT& rc) {
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

void ApplyLook(CSubclassedWindow& control, const ControlRow& row) {
    if (row.nImage != 0)
        control.SetImageType(row.nImage);
    if (row.font.nHeight != 0)
        control.SetTextFont(MakeFontDesc(row.font.nHeight, row.font.nWeight, row.font.bUnderline));
    if (row.color != kNoColor)
        control.SetTextColor(row.color);
}

}  // namespace

bool ApplyControlTable(CDialogBase& dialog, const std::vector<ControlRow>& rows) {
    bool bAll = true;
    for (const ControlRow& row : rows) {
        if (!row.pControl || !dialog.Attach(row.nId, *row.pControl)) {
            bAll = false;
            continue;
        }
        HWND hControl = row.pControl->GetHwnd();
        if (row.pszCaption)
            ::SetWindowTextA(hControl, row.pszCaption);
        ApplyLook(*row.pControl, row);
        if (!IsEmpty(row.rc))
            Place(hControl, row.rc);
    }
    return bAll;
}

void Place(HWND hWnd, const RECT& rc) {
    ::MoveWindow(hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
}

void CopyWindowText(HWND hFrom, HWND hTo) {
    ::SetWindowTextW(hTo, GetWindowTextWide(hFrom).c_str());
}
