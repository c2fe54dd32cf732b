// A page of the main dialog: it covers the dialog's client area, draws itself over the part of
// the shared background behind it, answers hit tests as transparent so that the main dialog
// decides about dragging, and feeds its mouse messages to its tooltip. The chrome every page
// has (title, minimise and close buttons with their tooltips, icon) is set up here; a page
// adds the table of its own controls. User-interface thread.
#pragma once

#include <windows.h>

#include <vector>

#include "ColorButton.h"
#include "ColorStatic.h"
#include "ControlTable.h"
#include "DialogBase.h"
#include "PageTooltip.h"

class IInstallHost;

class CHostedPage : public CDialogBase {
public:
    // Where a page's chrome is: its control ids and the buttons' rectangles.
    struct Chrome {
        int nTitleId;
        int nMinId;
        int nCloseId;
        RECT rcMin;
        RECT rcClose;
        bool bCloseTip;  // the close button has its tooltip too
    };

    // host must outlive the page.
    CHostedPage(UINT nTemplateId, IInstallHost& host, const Chrome& chrome);

protected:
    // The page's own controls, walked once at initialisation after the chrome's.
    virtual std::vector<ControlRow> PageControls() = 0;
    // What the page does after its table: computed places, states, commands.
    virtual void OnInitPage() {}
    // The close button; the default asks the main dialog to cancel.
    virtual void OnClose();
    // The page's own pictures over the background and the icon.
    virtual void DrawPage(HDC) {}
    // Messages a page handles beyond the common ones; true when handled.
    virtual bool OnPageMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    void SendHostCommand(WORD nId);
    // The page's background, pictures included, as WM_ERASEBKGND draws it.
    void EraseBackground(HDC hdc);

    IInstallHost& m_host;
    CPageTooltip m_tooltip;
    CColorStatic m_title;
    CColorButton m_btnMin;
    CColorButton m_btnClose;

private:
    BOOL OnInitDialog() final;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) final;
    std::vector<ControlRow> ChromeControls(const char* pszTitle);

    Chrome m_chrome;
};
