// The base of every dialog and page: built from a template by number, modal or modeless,
// with one window procedure that finds the object (bound at WM_INITDIALOG) and dispatches to
// its virtual handlers. Controls of the template are taken over by id (Attach) and receive
// back the notifications their parent gets about them (drawing, colours, their own clicks).
// Commands go to the handlers a dialog registers by id (OnCommandId).
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <vector>

class CSubclassedWindow;

class CDialogBase {
public:
    // The template is looked up in hInstance, or in the program's own module when null.
    explicit CDialogBase(UINT nTemplateId, HINSTANCE hInstance = nullptr);
    // Destroys a modeless window that is still there.
    virtual ~CDialogBase();
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    // Runs the dialog modally; blocks until EndDialog and answers its result, or -1 when
    // the template cannot be loaded or a control could not be attached at initialisation.
    // User-interface thread.
    INT_PTR DoModal(HWND hOwner);
    // Creates the dialog modelessly (a page when the template has the child style); the
    // caller's message loop drives it. False, and no window, when the template cannot be
    // loaded or a control could not be attached at initialisation.
    bool Create(HWND hParent);
    // Ends a modal run with the result; destroys a modeless window.
    void EndDialog(INT_PTR nResult);

    HWND GetHwnd() const { return m_hWnd; }
    HWND GetItem(int nId) const { return ::GetDlgItem(m_hWnd, nId); }
    static CDialogBase* FromHandle(HWND hWnd);

    // Takes over the template control nId. False, and nId recorded as missing, when there
    // is no such control or it has an object already.
    bool Attach(int nId, CSubclassedWindow& control);
    // Test seam: the controls that failed to attach, in order.
    const std::vector<int>& GetMissingControls() const { return m_missing; }

    using CommandHandler = std::function<void()>;
    // Routes the command nId (a click of that control, or a menu, accelerator or posted
    // window command with that id) to fn; other notification codes of the control go to
    // OnCommand. A later registration for the same id replaces the earlier one.
    void OnCommandId(int nId, CommandHandler fn);

protected:
    // Dialog initialisation; the answer is that of WM_INITDIALOG (TRUE: default focus).
    virtual BOOL OnInitDialog() { return TRUE; }
    // Commands without a registered handler. The default ends a modal run on IDOK and
    // IDCANCEL and ignores everything else. True when handled.
    virtual bool OnCommand(int nId, int nCode, HWND hControl);
    // Every other message, before the dialog manager's handling. True when handled
    // (result holds the answer).
    virtual bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT nMsg, WPARAM wParam, LPARAM lParam);
    bool Reflect(HWND hControl, UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result);
    LRESULT AnswerColorRequest(HWND hControl, UINT nMsg, WPARAM wParam, LPARAM lParam);
    bool RouteCommand(WPARAM wParam, LPARAM lParam);
    INT_PTR Answer(UINT nMsg, LRESULT result);

    UINT m_nTemplateId;
    HINSTANCE m_hInstance;
    HWND m_hWnd = nullptr;
    bool m_bModal = false;
    std::map<int, CommandHandler> m_commands;
    std::vector<int> m_missing;
};
