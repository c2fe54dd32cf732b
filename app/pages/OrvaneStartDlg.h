// The start page of the main dialog: the licence sentence with its link, the agreement box,
// the install button and the custom-install button that leads to the install-path page.
// A modeless child of the main dialog (template 173), created hidden by it.
// User-interface thread only.
#pragma once

#include <string>

#include "ColorButton.h"
#include "ColorCheckButton.h"
#include "ColorStatic.h"
#include "HostedPage.h"

class COrvaneStartDlg : public CHostedPage {
public:
    // host must outlive the page.
    explicit COrvaneStartDlg(IInstallHost& host);

    // Ticks the agreement box by message, without repainting it (the way back from the
    // install-path page).
    void SetAgreementChecked();
    bool IsAgreementChecked() const;

protected:
    std::vector<ControlRow> PageControls() override;
    void OnInitPage() override;
    void DrawPage(HDC hdc) override;
    bool OnPageMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void LayoutSentence();
    void OnInstall();
    void OnCustomInstall();
    void OnAgreementClicked();
    void OnLink();

    std::string m_strLinkText;
    CColorButton m_btnInstall;
    CColorButton m_btnCustom;
    CColorCheckButton m_chkAgree;
    CColorStatic m_textBefore;
    CColorStatic m_link;
    CColorStatic m_textAfter;
};
