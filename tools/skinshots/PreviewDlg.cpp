#include "PreviewDlg.h"

#include <commctrl.h>

#include "ColorButton.h"
#include "ColorCheckButton.h"
#include "ColorProgressCtrl.h"
#include "ColorStatic.h"
#include "PathEdit.h"
#include "SkinDraw.h"

CPreviewDlg::CPreviewDlg(UINT nTemplateId, Setup setup)
    : CDialogBase(nTemplateId), m_setup(std::move(setup)) {}

BOOL CPreviewDlg::OnInitDialog() {
    RECT rc = {};
    ::GetClientRect(GetHwnd(), &rc);
    double fx = rc.right > 0 ? static_cast<double>(m_setup.cx) / rc.right : 1.0;
    double fy = rc.bottom > 0 ? static_cast<double>(m_setup.cy) / rc.bottom : 1.0;
    std::vector<HWND> children;
    for (HWND h = ::GetWindow(GetHwnd(), GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) children.push_back(h);
    for (HWND h : children) TakeOver(h, ::GetDlgCtrlID(h), fx, fy);
    ::SetWindowPos(GetHwnd(), nullptr, 0, 0, m_setup.cx, m_setup.cy, SWP_NOMOVE | SWP_NOZORDER);
    return TRUE;
}

void CPreviewDlg::TakeOver(HWND hControl, int nId, double fx, double fy) {
    RECT rc = {};
    ::GetWindowRect(hControl, &rc);
    ::MapWindowPoints(HWND_DESKTOP, GetHwnd(), reinterpret_cast<POINT*>(&rc), 2);
    ::MoveWindow(hControl, static_cast<int>(rc.left * fx), static_cast<int>(rc.top * fy),
                 static_cast<int>((rc.right - rc.left) * fx), static_cast<int>((rc.bottom - rc.top) * fy),
                 FALSE);
    auto text = m_setup.texts.find(nId);
    if (text != m_setup.texts.end())
        ::SetWindowTextW(hControl, text->second.c_str());
    for (int nShown : m_setup.shown) {
        if (nShown == nId)
            ::ShowWindow(hControl, SW_SHOW);
    }
    CSubclassedWindow* pControl = MakeControl(hControl, nId);
    if (!pControl)
        return;
    m_controls.emplace_back(pControl);
    pControl->Attach(hControl);
    // What needs the window: the state of a box, the font of the field, a bar's position.
    if (dynamic_cast<CColorCheckButton*>(pControl) && nId % 2)
        ::SendMessageW(hControl, BM_SETCHECK, 1, 0);
    if (auto* pEdit = dynamic_cast<CPathEdit*>(pControl)) {
        pEdit->SetTextFont(MakeFontDesc(12));
        ::SetWindowTextW(hControl, L"D:\\Program Files\\Orvane");
    }
    if (auto* pBar = dynamic_cast<CColorProgressCtrl*>(pControl)) {
        pBar->SetRange(0, 100);
        pBar->SetPos(40);
    }
}

CSubclassedWindow* CPreviewDlg::MakeControl(HWND hControl, int nId) {
    wchar_t szClass[64] = {};
    ::GetClassNameW(hControl, szClass, 64);
    LONG_PTR nStyle = ::GetWindowLongPtrW(hControl, GWL_STYLE);
    if (lstrcmpiW(szClass, L"Button") == 0 && (nStyle & BS_TYPEMASK) == BS_AUTOCHECKBOX) {
        return new CColorCheckButton;
    }
    if (lstrcmpiW(szClass, L"Button") == 0) {
        auto* pButton = new CColorButton;
        auto type = m_setup.buttonTypes.find(nId);
        pButton->SetImageType(type != m_setup.buttonTypes.end() ? type->second : 0);
        pButton->SetFixedNormal(nId == m_setup.nFixedNormalId);
        pButton->SetTextColor(kButtonTextColor);
        pButton->SetTextFont(MakeFontDesc(12));
        return pButton;
    }
    if (lstrcmpiW(szClass, L"Static") == 0) {
        auto* pLabel = new CColorStatic;
        bool bTitle = nId == 1027 || nId == 1059 || (GetTemplateId() == 151 && nId == 1029);
        pLabel->SetTextColor(GetTemplateId() == 151 ? kDefaultTextColor : RGB(255, 255, 255));
        pLabel->SetTextFont(MakeFontDesc(GetTemplateId() == 170 ? 14 : 12, bTitle ? FW_BOLD : FW_NORMAL));
        return pLabel;
    }
    if (lstrcmpiW(szClass, L"Edit") == 0)
        return new CPathEdit;
    if (lstrcmpiW(szClass, PROGRESS_CLASSW) == 0)
        return new CColorProgressCtrl;
    return nullptr;
}

bool CPreviewDlg::OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) {
    if (nMsg != WM_ERASEBKGND)
        return false;
    HDC hdc = reinterpret_cast<HDC>(wParam);
    RECT rc = {};
    ::GetClientRect(GetHwnd(), &rc);
    ::SetBkMode(hdc, TRANSPARENT);
    for (const Picture& picture : m_setup.pictures) {
        ImageEntry entry;
        if (!LookupImage(picture.nType, picture.nIndex, entry))
            continue;
        if (picture.cx == 0) {
            DrawImageEntry(hdc, entry, 0, 0, rc.right, rc.bottom);
        } else {
            DrawImageEntry(hdc, entry, picture.x, picture.y, picture.cx, picture.cy);
        }
    }
    result = TRUE;
    return true;
}
