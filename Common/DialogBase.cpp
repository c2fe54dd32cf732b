#include "DialogBase.h"

#include "SubclassedWindow.h"

#include <commctrl.h>

namespace {
const wchar_t kDialogProp[] = L"OrvaneDialogObject";

// The control a parent notification is about, or null when it is about none.
HWND NotifyingControl(UINT nMsg, LPARAM lParam) {
    switch (nMsg) {
        case WM_DRAWITEM:
            return reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
            return reinterpret_cast<HWND>(lParam);
        case WM_COMMAND:
            return lParam ? reinterpret_cast<HWND>(lParam) : nullptr;
        default:
            return nullptr;
    }
}

// Templates name the common controls' classes (progress bar, tooltips); they exist only
// once registered.
void RegisterCommonControls() {
    static const bool bDone = [] {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)bDone;
}

bool IsColorRequest(UINT nMsg) {
    return nMsg >= WM_CTLCOLORMSGBOX && nMsg <= WM_CTLCOLORSTATIC;
}

// Messages whose answer is the dialog procedure's return value itself rather than
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT nMsg) {
    return IsColorRequest(nMsg) || nMsg == WM_COMPAREITEM || nMsg == WM_VKEYTOITEM || nMsg == WM_CHARTOITEM ||
           nMsg == WM_QUERYDRAGICON || nMsg == WM_INITDIALOG;
}
}  // namespace

CDialogBase::CDialogBase(UINT nTemplateId, HINSTANCE hInstance)
    : m_nTemplateId(nTemplateId), m_hInstance(hInstance ? hInstance : ::GetModuleHandleW(nullptr)) {}

CDialogBase::~CDialogBase() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        ::RemovePropW(m_hWnd, kDialogProp);
        if (!m_bModal)
            ::DestroyWindow(m_hWnd);
    }
}

INT_PTR CDialogBase::DoModal(HWND hOwner) {
    RegisterCommonControls();
    m_missing.clear();
    m_bModal = true;
    INT_PTR nResult = ::DialogBoxParamW(m_hInstance, MAKEINTRESOURCEW(m_nTemplateId), hOwner, &DialogProc,
                                        reinterpret_cast<LPARAM>(this));
    m_hWnd = nullptr;
    return nResult;
}

bool CDialogBase::Create(HWND hParent) {
    RegisterCommonControls();
    m_missing.clear();
    m_bModal = false;
    HWND hWnd = ::CreateDialogParamW(m_hInstance, MAKEINTRESOURCEW(m_nTemplateId), hParent, &DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    if (hWnd && !m_missing.empty()) {
        ::DestroyWindow(hWnd);
        return false;
    }
    return hWnd != nullptr;
}

void CDialogBase::EndDialog(INT_PTR nResult) {
    if (!m_hWnd)
        return;
    if (m_bModal) {
        ::EndDialog(m_hWnd, nResult);
    } else {
        ::DestroyWindow(m_hWnd);
    }
}

CDialogBase* CDialogBase::FromHandle(HWND hWnd) {
    return hWnd ? static_cast<CDialogBase*>(::GetPropW(hWnd, kDialogProp)) : nullptr;
}

bool CDialogBase::Attach(int nId, CSubclassedWindow& control) {
    HWND hControl = GetItem(nId);
    if (hControl && control.Attach(hControl))
        return true;
    m_missing.push_back(nId);
    return false;
}

void CDialogBase::OnCommandId(int nId, CommandHandler fn) {
    m_commands[nId] = std::move(fn);
}

bool CDialogBase::OnCommand(int nId, int, HWND) {
    if (m_bModal && (nId == IDOK || nId == IDCANCEL)) {
        EndDialog(nId);
        return true;
    }
    return false;
}

bool CDialogBase::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_INITDIALOG) {
        auto* pThis = reinterpret_cast<CDialogBase*>(lParam);
        pThis->m_hWnd = hWnd;
        ::SetPropW(hWnd, kDialogProp, pThis);
        BOOL bFocus = pThis->OnInitDialog();
        // A dialog without all its controls would show a half-drawn window.
        if (pThis->m_bModal && !pThis->m_missing.empty())
            ::EndDialog(hWnd, -1);
        return bFocus;
    }
    CDialogBase* pThis = FromHandle(hWnd);
    if (!pThis)
        return FALSE;
    if (nMsg == WM_NCDESTROY) {
        ::RemovePropW(hWnd, kDialogProp);
        pThis->m_hWnd = nullptr;
        return FALSE;
    }
    return pThis->Dispatch(nMsg, wParam, lParam);
}

INT_PTR CDialogBase::Dispatch(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    HWND hControl = NotifyingControl(nMsg, lParam);
    if (IsColorRequest(nMsg))
        return Answer(nMsg, AnswerColorRequest(hControl, nMsg, wParam, lParam));
    if (hControl && Reflect(hControl, nMsg, wParam, lParam, result) && nMsg != WM_COMMAND) {
        return Answer(nMsg, result);
    }
    if (nMsg == WM_COMMAND)
        return RouteCommand(wParam, lParam) ? TRUE : FALSE;
    if (OnMessage(nMsg, wParam, lParam, result))
        return Answer(nMsg, result);
    return FALSE;
}

// The dialog chooses the brush (its own handler, else the platform's default, which also
// sets the default colours); then the control sets what it needs on the surface, so a text
// colour it sets is not undone by the default. A brush the control answers wins.
LRESULT CDialogBase::AnswerColorRequest(HWND hControl, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    LRESULT brush = 0;
    if (!OnMessage(nMsg, wParam, lParam, brush))
        brush = ::DefWindowProcW(m_hWnd, nMsg, wParam, lParam);
    LRESULT controlBrush = 0;
    if (hControl && Reflect(hControl, nMsg, wParam, lParam, controlBrush))
        brush = controlBrush;
    return brush;
}

bool CDialogBase::Reflect(HWND hControl, UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    CSubclassedWindow* pControl = CSubclassedWindow::FromHandle(hControl);
    return pControl && pControl->OnReflected(nMsg, wParam, lParam, result);
}

bool CDialogBase::RouteCommand(WPARAM wParam, LPARAM lParam) {
    int nId = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    // BN_CLICKED and a menu command are both 0; an accelerator is 1, but from a control 1 is
    // a double-click notification (a notify static's STN_DBLCLK), not a command.
    bool bCommand = nCode == 0 || (nCode == 1 && lParam == 0);
    auto it = bCommand ? m_commands.find(nId) : m_commands.end();
    if (it != m_commands.end() && it->second) {
        // The handler may register handlers or end the dialog; a copy keeps it alive.
        CommandHandler fn = it->second;
        fn();
        return true;
    }
    return OnCommand(nId, nCode, reinterpret_cast<HWND>(lParam));
}

INT_PTR CDialogBase::Answer(UINT nMsg, LRESULT result) {
    if (AnswersDirectly(nMsg))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
