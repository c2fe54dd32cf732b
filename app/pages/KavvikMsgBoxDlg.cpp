#include "KavvikMsgBoxDlg.h"

#include "ControlTable.h"
#include "SkinDraw.h"
#include "SkinMath.h"
#include "resource.h"

namespace {
constexpr int kBoxWidth = 296;
constexpr int kBoxHeight = 173;
constexpr COLORREF kLine1Color = RGB(51, 51, 51);
// The title the box shows is also its window's text, so that the taskbar, screen readers and
// automation tools can name it.
const char kTitle[] = "提示";
}  // namespace

void SplitMessageLines(const std::string& strText, std::string& strLine1, std::string& strLine2) {
    size_t nBreak = strText.find('\n');
    if (nBreak == std::string::npos) {
        strLine1 = strText;
        strLine2.clear();
        return;
    }
    strLine1 = strText.substr(0, nBreak);
    strLine2 = strText.substr(nBreak + 1);
}

CKavvikMsgBoxDlg::CKavvikMsgBoxDlg(const std::string& strText, const std::string& strOkCaption,
                                   const std::string& strCancelCaption)
    : CDialogBase(IDD_MSGBOX),
      m_strText(strText),
      m_strOkCaption(strOkCaption),
      m_strCancelCaption(strCancelCaption) {}

BOOL CKavvikMsgBoxDlg::OnInitDialog() {
    HWND hDlg = GetHwnd();
    MakeSkinnedWindow(hDlg);
    ::SetWindowTextA(hDlg, kTitle);
    // The outer rectangle starts where the client area started.
    POINT ptClient = {0, 0};
    ::ClientToScreen(hDlg, &ptClient);
    ::MoveWindow(hDlg, ptClient.x, ptClient.y, kBoxWidth, kBoxHeight, FALSE);
    std::string strLine1, strLine2;
    SplitMessageLines(m_strText, strLine1, strLine2);
    ApplyControlTable(
        *this, {{IDOK,
                 &m_btnOk,
                 {144, 144, 213, 168},
                 kImageBoxButton,
                 m_strOkCaption.c_str(),
                 kTextFont,
                 kButtonTextColor},
                {IDCANCEL,
                 &m_btnCancel,
                 {221, 144, 290, 168},
                 kImageBoxButton,
                 m_strCancelCaption.c_str(),
                 kTextFont,
                 kButtonTextColor},
                {IDC_MSGBOX_CLOSE, &m_btnClose, {272, 1, 295, 18}, kImageBoxClose, "关闭", kNoFont, kNoColor},
                {IDC_MSGBOX_TITLE, &m_title, {}, 0, kTitle, kBoldFont, kButtonTextColor},
                {IDC_MSGBOX_LINE1, &m_line1, {25, 64, 266, 79}, 0, strLine1.c_str(), kTextFont, kLine1Color},
                {IDC_MSGBOX_LINE2, &m_line2, {25, 84, 266, 99}, 0, strLine2.c_str(), kTextFont, kNoColor}});
    OnCommandId(IDOK, [this] { Finish(kResultOk, IDOK); });
    OnCommandId(IDCANCEL, [this] { Finish(kResultCancel, IDCANCEL); });
    OnCommandId(IDC_MSGBOX_CLOSE, [this] { Finish(kResultClose, IDOK); });
    return TRUE;
}

void CKavvikMsgBoxDlg::Finish(int nResult, INT_PTR nEnd) {
    m_nResult = nResult;
    EndDialog(nEnd);
}

bool CKavvikMsgBoxDlg::OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (nMsg) {
        case WM_ERASEBKGND: {
            RECT rc = {};
            ::GetClientRect(GetHwnd(), &rc);
            DrawImageKey(reinterpret_cast<HDC>(wParam), kImageBoxBackground, 0, 0, 0, rc.right, rc.bottom);
            result = TRUE;
            return true;
        }
        case WM_NCHITTEST: {
            // Dragged by any point of its picture.
            result = DragAnywhereHitTest(::DefWindowProcW(GetHwnd(), nMsg, wParam, lParam));
            return true;
        }
        default:
            return false;
    }
}

int ShowMsgBox(HWND hOwner, const char* pszText, const char* pszOkCaption, const char* pszCancelCaption) {
    CKavvikMsgBoxDlg box(pszText ? pszText : "", pszOkCaption ? pszOkCaption : "确 定",
                         pszCancelCaption ? pszCancelCaption : "取 消");
    if (box.DoModal(hOwner) == -1)
        return CKavvikMsgBoxDlg::kResultClose;
    return box.GetResult();
}
