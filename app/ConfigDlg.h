// The finish page: the recommended products and the browser home page as choices, the
// run-after-install and reminder options of the main dialog, and the start button (the
// close button acts the same) that hands everything to the main dialog and ends the run.
// A modeless child of the main dialog (template 160), created hidden.
// User-interface thread only.
#pragma once

#include <string>
#include <vector>

#include "ColorButton.h"
#include "ColorCheckButton.h"
#include "ColorStatic.h"
#include "DialogBase.h"
#include "PageTooltip.h"

class IInstallHost;

// One offered choice as the page shows it.
struct ChoiceSlotInput {
    std::string strName;
    int nStatus;  // 0 not offered, 1 ticked, otherwise offered clear
};
struct ChoiceSlot {
    int nSlot;  // 0 to 3: the control pair that shows it
    int nSource;  // index into the input list
    bool bChecked;
    RECT rcBox;
    RECT rcLabel;
};
// The slots shown for the recommended products (only the first three count) followed by the
// home page, placed along the bottom line; nLabelWidth gives each label's text width.
// The home page goes into the slot after the last counted product.
std::vector<ChoiceSlot> PlaceChoiceSlots(const std::vector<ChoiceSlotInput>& products,
                                         const ChoiceSlotInput& homePage,
                                         int (*pfnLabelWidth)(const std::string&, void*), void* pContext);

class CConfigDlg : public CDialogBase {
public:
    // host must outlive the page.
    explicit CConfigDlg(IInstallHost& host);

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT nMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void AttachControls();
    void SetupTitleAndButtons();
    void SetupSlots();
    void SetupOptions();
    void RegisterCommands();
    void OnStart();
    void ReportReminderChoice();
    void HandOverChoices();
    void OnEraseBackground(HDC hdc);

    IInstallHost& m_host;
    CColorStatic m_title;
    CColorButton m_btnMin;
    CColorButton m_btnClose;
    CColorButton m_btnStart;
    CColorCheckButton m_chkSlot[5];
    CColorStatic m_lblSlot[5];
    CColorCheckButton m_chkRunAfter;
    CColorStatic m_lblRunAfter;
    CColorCheckButton m_chkReminder;
    CColorStatic m_lblReminder;
    CPageTooltip m_tooltip;
};
