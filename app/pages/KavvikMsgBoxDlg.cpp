#include "KavvikMsgBoxDlg.h"

#include "SkinDraw.h"
#include "resource.h"

namespace {
constexpr int kBoxWidth = 296;
constexpr int kBoxHeight = 173;
constexpr int kButtonImage = 7;
constexpr int kCloseImage = 6;
constexpr int kBackgroundImage = 13;
constexpr COLORREF kLine1Color = RGB(51, 51, 51);

void PlaceControl(HWND hDlg, int nId, int nLeft, int nTop, int nRight, int nBottom) {
    ::MoveWindow(::GetDlgItem(hDlg, nId), nLeft, nTop, nRight - nLeft, nBottom - nTop, FALSE);
}
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
    AttachAll({{IDOK, &m_btnOk},
               {IDCANCEL, &m_btnCancel},
               {IDC_MSGBOX_CLOSE, &m_btnClose},
               {IDC_MSGBOX_TITLE, &m_title},
               {IDC_MSGBOX_LINE1, &m_line1},
               {IDC_MSGBOX_LINE2, &m_line2}});
    Layout();
    ConfigureControls();
    OnCommandId(IDOK, [this] { Finish(kResultOk, IDOK); });
    OnCommandId(IDCANCEL, [this] { Finish(kResultCancel, IDCANCEL); });
    OnCommandId(IDC_MSGBOX_CLOSE, [this] { Finish(kResultClose, IDOK); });
    return TRUE;
}

void CKavvikMsgBoxDlg::Layout() {
    HWND hDlg = GetHwnd();
    // The outer rectangle starts where the client area started.
    POINT ptClient = {0, 0};
    ::ClientToScreen(hDlg, &ptClient);
    ::MoveWindow(hDlg, ptClient.x, ptClient.y, kBoxWidth, kBoxHeight, FALSE);
    PlaceControl(hDlg, IDOK, 144, 144, 213, 168);
    PlaceControl(hDlg, IDCANCEL, 221, 144, 290, 168);
    PlaceControl(hDlg, IDC_MSGBOX_LINE1, 25, 64, 266, 79);
    PlaceControl(hDlg, IDC_MSGBOX_LINE2, 25, 84, 266, 99);
    PlaceControl(hDlg, IDC_MSGBOX_CLOSE, 272, 1, 295, 18);
}

void CKavvikMsgBoxDlg::ConfigureControls() {
    m_btnOk.SetImageType(kButtonImage);
    m_btnCancel.SetImageType(kButtonImage);
    m_btnClose.SetImageType(kCloseImage);
    m_btnClose.SetShowText(false);

    std::string strLine1, strLine2;
    SplitMessageLines(m_strText, strLine1, strLine2);
    ::SetWindowTextA(m_line1.GetHwnd(), strLine1.c_str());
    ::SetWindowTextA(m_line2.GetHwnd(), strLine2.c_str());
    ::SetWindowTextA(m_btnOk.GetHwnd(), m_strOkCaption.c_str());
    ::SetWindowTextA(m_btnCancel.GetHwnd(), m_strCancelCaption.c_str());

    LOGFONTA normal = MakeFontDesc(12);
    m_btnOk.SetTextFont(normal);
    m_btnCancel.SetTextFont(normal);
    m_line1.SetTextFont(normal);
    m_line2.SetTextFont(normal);
    m_title.SetTextFont(MakeFontDesc(12, FW_BOLD));

    m_btnOk.SetTextColor(kButtonTextColor);
    m_btnCancel.SetTextColor(kButtonTextColor);
    m_line1.SetTextColor(kLine1Color);
    m_title.SetTextColor(kButtonTextColor);
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
            DrawImageKey(reinterpret_cast<HDC>(wParam), kBackgroundImage, 0, 0, 0, rc.right, rc.bottom);
            result = TRUE;
            return true;
        }
        case WM_NCHITTEST: {
            // Dragged by any point of its picture.
            LRESULT nHit = ::DefWindowProcW(GetHwnd(), nMsg, wParam, lParam);
            result = nHit == HTCLIENT ? HTCAPTION : nHit;
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
