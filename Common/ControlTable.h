// A dialog's controls as data: one row per template control with the skinned object that
// takes it over, where it goes, its picture, caption, font and colour. A dialog's
// initialisation walks its table once (ApplyControlTable) and keeps only behaviour in code.
// User-interface thread only.
#pragma once

#include <windows.h>

#include <vector>

class CDialogBase;
class CSubclassedWindow;

// A font of the program's face; nHeight 0 means the control keeps its own.
struct FontSpec {
    int nHeight;
    int nWeight;
    bool bUnderline;
};
constexpr FontSpec kNoFont = {0, FW_NORMAL, false};
constexpr FontSpec kTextFont = {12, FW_NORMAL, false};
constexpr FontSpec kBoldFont = {12, FW_BOLD, false};

constexpr COLORREF kNoColor = CLR_INVALID;
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct ControlRow {
    int nId;
    CSubclassedWindow* pControl;
    RECT rc;                 // in the dialog's pixels; all zero leaves the control in place
    int nImage;              // a button's picture type; 0 for none
    const char* pszCaption;  // system code page; null keeps the template's text
    FontSpec font;           // a button shows its caption only with a font
    COLORREF color;          // text colour, kNoColor for the control's default
};

// Attaches every row's object to its control and applies the rest of the row. The ids that
// could not be attached are recorded with the dialog (CDialogBase::GetMissingControls);
// false when there was any.
bool ApplyControlTable(CDialogBase& dialog, const std::vector<ControlRow>& rows);

// Moves a window to rc of its parent without repainting.
void Place(HWND hWnd, const RECT& rc);

// Gives hTo the window text of hFrom: a check box is named after the label beside it.
void CopyWindowText(HWND hFrom, HWND hTo);
