#include "StartDlg.h"

#include "ControlTable.h"
#include "ProductInfoMgr.h"
#include "SkinDraw.h"
#include "StringUtil.h"
#include "resource.h"

namespace {
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kTickMs = 50;
constexpr int kMaxPercent = 99;
constexpr int kWidth = 228;
constexpr int kHeight = 57;
constexpr BYTE kAlpha = 102;
constexpr FontSpec kLoadingFont = {14, FW_NORMAL, false};
}  // namespace

std::string LoadingText(int nPercent) {
    return StrFormat("请稍后，正在加载资源%2d%%", nPercent);
}

CStartDlg::CStartDlg() : CStartDlg([](HWND hNotify) { CProductInfoMgr::Instance().StartLoading(hNotify); }) {}

CStartDlg::CStartDlg(StartLoadingFn fnStartLoading)
    : CDialogBase(IDD_START), m_fnStartLoading(std::move(fnStartLoading)) {}

BOOL CStartDlg::OnInitDialog() {
    HWND hDlg = GetHwnd();
    ::SetWindowLongPtrW(hDlg, GWL_EXSTYLE, ::GetWindowLongPtrW(hDlg, GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(hDlg, 0, kAlpha, LWA_ALPHA);
    RECT rc = {};
    ::GetWindowRect(hDlg, &rc);
    ::MoveWindow(hDlg, rc.left, rc.top, kWidth, kHeight, FALSE);

    ApplyControlTable(*this,
                      {{IDC_LOADING_TEXT, &m_text, {20, 21, 208, 35}, 0, nullptr, kLoadingFont, kWhite}});

    OnCommandId(kCmdConfigLoaded, [this] { Finish(kLoaded, IDOK); });
    OnCommandId(kCmdConfigFailed, [this] { Finish(kFailed, IDCANCEL); });
    OnCommandId(kCmdNothingToInstall, [this] { Finish(kNothingToInstall, IDCANCEL); });

    if (m_fnStartLoading)
        m_fnStartLoading(hDlg);
    ::SetTimer(hDlg, kTickTimer, kTickMs, nullptr);
    return TRUE;
}

void CStartDlg::Finish(int nResult, INT_PTR nEnd) {
    ::KillTimer(GetHwnd(), kTickTimer);
    m_nResult = nResult;
    EndDialog(nEnd);
}

void CStartDlg::OnTick() {
    if (m_nPercent < kMaxPercent)
        ++m_nPercent;
    ::SetWindowTextA(m_text.GetHwnd(), LoadingText(m_nPercent).c_str());
}

void CStartDlg::EraseBackground(HDC hdc) {
    RECT rc = {};
    ::GetClientRect(GetHwnd(), &rc);
    ::SetBkMode(hdc, TRANSPARENT);
    // The device's pen and brush leave a one-pixel frame around the picture.
    ::Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
    DrawImageKey(hdc, kImageLoading, 0, rc.left + 1, rc.top + 1, rc.right - rc.left - 2,
                 rc.bottom - rc.top - 2);
}

bool CStartDlg::OnMessage(UINT nMsg, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (nMsg) {
        case WM_TIMER:
            if (wParam != kTickTimer)
                return false;
            OnTick();
            result = 0;
            return true;
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wParam));
            result = TRUE;
            return true;
        default:
            return false;
    }
}
