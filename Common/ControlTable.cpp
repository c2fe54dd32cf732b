#include "ControlTable.h"

#include "ColorButton.h"
#include "ColorStatic.h"
#include "DialogBase.h"
#include "PathEdit.h"
#include "SkinDraw.h"

namespace {

bool IsEmpty(const RECT& rc) {
    return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0;
}

void ApplyLook(CSubclassedWindow& control, const ControlRow& row) {
    bool bFont = row.font.nHeight != 0;
    LOGFONTA font = MakeFontDesc(row.font.nHeight, row.font.nWeight, row.font.bUnderline);
    if (auto* pButton = dynamic_cast<CColorButton*>(&control)) {
        pButton->SetImageType(row.nImage);
        pButton->SetShowText(bFont);
        if (bFont)
            pButton->SetTextFont(font);
        if (row.color != kNoColor)
            pButton->SetTextColor(row.color);
    } else if (auto* pStatic = dynamic_cast<CColorStatic*>(&control)) {
        if (bFont)
            pStatic->SetTextFont(font);
        if (row.color != kNoColor)
            pStatic->SetTextColor(row.color);
    } else if (auto* pEdit = dynamic_cast<CPathEdit*>(&control)) {
        if (bFont)
            pEdit->SetTextFont(font);
    }
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
