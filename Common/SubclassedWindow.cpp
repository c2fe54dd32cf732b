#include "SubclassedWindow.h"

#include <commctrl.h>

#include <utility>

#include "SkinDraw.h"

namespace {
// The id under which objects hook in; with the procedure it names this layer of the chain.
constexpr UINT_PTR kSubclassId = 0x4F52;
// The property that leads from a window to its object (comctl32's GetWindowSubclass is
// exported by ordinal only).
const wchar_t kObjectProp[] = L"OrvaneWindowObject";
}  // namespace

CSubclassedWindow::~CSubclassedWindow() {
    Detach();
}

bool CSubclassedWindow::Attach(HWND hWnd) {
    if (m_hWnd || !::IsWindow(hWnd) || FromHandle(hWnd))
        return false;
    if (!::SetPropW(hWnd, kObjectProp, this))
        return false;
    if (!::SetWindowSubclass(hWnd, &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        ::RemovePropW(hWnd, kObjectProp);
        return false;
    }
    m_hWnd = hWnd;
    OnAttached();
    return true;
}

void CSubclassedWindow::Detach() {
    if (!m_hWnd)
        return;
    if (::IsWindow(m_hWnd)) {
        ::RemoveWindowSubclass(m_hWnd, &SubclassProc, kSubclassId);
        ::RemovePropW(m_hWnd, kObjectProp);
    }
    m_hWnd = nullptr;
}

CSubclassedWindow* CSubclassedWindow::FromHandle(HWND hWnd) {
    return hWnd ? static_cast<CSubclassedWindow*>(::GetPropW(hWnd, kObjectProp)) : nullptr;
}

bool CSubclassedWindow::OnReflected(UINT nMsg, WPARAM wParam, LPARAM, LRESULT&) {
    // The colour is set here; the brush stays the parent's choice (not answered).
    if (nMsg >= WM_CTLCOLORMSGBOX && nMsg <= WM_CTLCOLORSTATIC && m_textColor != CLR_INVALID)
        ::SetTextColor(reinterpret_cast<HDC>(wParam), m_textColor);
    return false;
}

bool CSubclassedWindow::SetTextFont(const LOGFONTA& desc) {
    CFontHandle font;
    if (!CreateControlFont(desc, font))
        return false;
    ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    m_font = std::move(font);
    return true;
}

void CSubclassedWindow::PaintTo(HDC hdc, int, int) {
    ::SendMessageW(m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), PRF_CLIENT);
}

bool CSubclassedWindow::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CSubclassedWindow::DefaultProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(m_hWnd, nMsg, wParam, lParam);
}

LRESULT CALLBACK CSubclassedWindow::SubclassProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR nRefData) {
    auto* pThis = reinterpret_cast<CSubclassedWindow*>(nRefData);
    if (nMsg == WM_NCDESTROY) {
        pThis->Detach();
        return ::DefSubclassProc(hWnd, nMsg, wParam, lParam);
    }
    LRESULT result = 0;
    if (pThis->OnMessage(nMsg, wParam, lParam, result))
        return result;
    return ::DefSubclassProc(hWnd, nMsg, wParam, lParam);
}

void CompositeControl(CSubclassedWindow& control, HDC hParentDc) {
    HWND hControl = control.GetHwnd();
    if (!hControl || !(::GetWindowLongPtrW(hControl, GWL_STYLE) & WS_VISIBLE))
        return;
    RECT rc = {};
    ::GetWindowRect(hControl, &rc);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hControl), reinterpret_cast<POINT*>(&rc), 2);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return;
    CMemoryDc memDc(::CreateCompatibleDC(hParentDc));
    CBitmapHandle bitmap(::CreateCompatibleBitmap(hParentDc, cx, cy));
    if (!memDc || !bitmap)
        return;
    CSelectObject selectBitmap(memDc.Get(), bitmap.Get());
    PaintParentBackground(hControl, memDc.Get());
    control.PaintTo(memDc.Get(), cx, cy);
    ::BitBlt(hParentDc, rc.left, rc.top, cx, cy, memDc.Get(), 0, 0, SRCCOPY);
}
