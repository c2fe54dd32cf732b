#include "SubclassedWindow.h"

namespace {
// The property that leads from a window to its object.
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
    m_hWnd = hWnd;
    m_pOldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
    OnAttached();
    return true;
}

void CSubclassedWindow::Detach() {
    if (!m_hWnd)
        return;
    if (::IsWindow(m_hWnd)) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pOldProc));
        ::RemovePropW(m_hWnd, kObjectProp);
    }
    m_hWnd = nullptr;
    m_pOldProc = nullptr;
}

CSubclassedWindow* CSubclassedWindow::FromHandle(HWND hWnd) {
    return hWnd ? static_cast<CSubclassedWindow*>(::GetPropW(hWnd, kObjectProp)) : nullptr;
}

bool CSubclassedWindow::OnReflected(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

void CSubclassedWindow::PaintTo(HDC hdc, int, int) {
    ::SendMessageW(m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), PRF_CLIENT);
}

bool CSubclassedWindow::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

LRESULT CSubclassedWindow::DefaultProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(m_pOldProc, m_hWnd, nMsg, wParam, lParam);
}

LRESULT CALLBACK CSubclassedWindow::WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CSubclassedWindow* pThis = FromHandle(hWnd);
    if (!pThis)
        return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
    if (nMsg == WM_NCDESTROY) {
        WNDPROC pOld = pThis->m_pOldProc;
        pThis->Detach();
        return ::CallWindowProcW(pOld, hWnd, nMsg, wParam, lParam);
    }
    LRESULT result = 0;
    if (pThis->OnMessage(nMsg, wParam, lParam, result))
        return result;
    return pThis->DefaultProc(nMsg, wParam, lParam);
}
