// A page of the main dialog: it covers the dialog's client area, draws itself over the part of
// the shared background behind it, answers hit tests as transparent so that the main dialog
// decides about dragging, and feeds its mouse messages to its tooltip. User-interface thread.
#pragma once

#include <windows.h>

#include "DialogBase.h"
#include "PageTooltip.h"

class IInstallHost;

class CHostedPage : public CDialogBase {
public:
    // host must outlive the page.
    CHostedPage(UINT nTemplateId, IInstallHost& host) : CDialogBase(nTemplateId), m_host(host) {}

protected:
    // The page's whole background, pictures included.
    virtual void OnEraseBackground(HDC hdc) = 0;
    // Messages a page handles beyond the common ones; true when handled.
    virtual bool OnPageMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    IInstallHost& m_host;
    CPageTooltip m_tooltip;

private:
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) final;
};
