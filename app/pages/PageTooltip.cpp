#include "PageTooltip.h"

#include <commctrl.h>

#include <string>

namespace {

std::wstring FromSystemCodePage(const char* pszText) {
    int nLength = ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, nullptr, 0);
    if (nLength <= 1)
        return std::wstring();
    std::wstring text(static_cast<size_t>(nLength), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, pszText, -1, &text[0], nLength);
    text.resize(static_cast<size_t>(nLength - 1));
    return text;
}

}  // namespace

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

void CPageTooltip::AddTool(int nId, const char* pszText) {
    HWND hControl = ::GetDlgItem(m_hPage, nId);
    if (!m_hTip || !hControl)
        return;
    std::wstring text = FromSystemCodePage(pszText);
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    // The controls get their mouse messages themselves, so the tooltip watches them directly.
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = m_hPage;
    info.uId = reinterpret_cast<UINT_PTR>(hControl);
    info.lpszText = &text[0];
    ::SendMessageW(m_hTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void CPageTooltip::RelayEvent(HWND hFrom, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (!m_hTip)
        return;
    MSG msg = {hFrom, nMsg, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
    DWORD dwPos = ::GetMessagePos();
    msg.pt = {static_cast<short>(LOWORD(dwPos)), static_cast<short>(HIWORD(dwPos))};
    ::SendMessageW(m_hTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}
