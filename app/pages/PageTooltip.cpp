#include "PageTooltip.h"

#include <commctrl.h>

bool CPageTooltip::Create(HWND hPage) {
    m_hPage = hPage;
    m_hTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hPage, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (!m_hTip)
        return false;
    ::SendMessageW(m_hTip, TTM_ACTIVATE, TRUE, 0);
    return true;
}

bool CPageTooltip::AddTool(int nId, const char* pszText) {
    HWND hControl = ::GetDlgItem(m_hPage, nId);
    if (!m_hTip || !hControl)
        return false;
    TOOLINFOA info = {};
    // The size comctl32 5.8 accepts as well as 6; the full structure is refused by 5.8.
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    // The controls get their mouse messages themselves, so the tooltip watches them directly.
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = m_hPage;
    info.uId = reinterpret_cast<UINT_PTR>(hControl);
    info.lpszText = const_cast<char*>(pszText);
    return ::SendMessageA(m_hTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void CPageTooltip::RelayEvent(HWND hFrom, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (!m_hTip)
        return;
    MSG msg = {hFrom, nMsg, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
    DWORD dwPos = ::GetMessagePos();
    msg.pt = {static_cast<short>(LOWORD(dwPos)), static_cast<short>(HIWORD(dwPos))};
    ::SendMessageW(m_hTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}
