// The finish page: the recommended products and the browser home page as choices, the
// run-after-install and reminder options of the main dialog, and the start button (the
// close button acts the same) that hands everything to the main dialog and ends the run.
// A modeless child of the main dialog (template 160), created hidden.
// User-interface thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ColorButton.h"
#include "ColorCheckButton.h"
#include "ColorStatic.h"
#include "HostedPage.h"

// One offered choice: status 0 not offered, 1 offered ticked, otherwise offered clear; the
// width in pixels of its label's text.
struct ChoiceSlotInput {
    uint32_t nStatus;
    int nLabelWidth;
};
// One shown choice: slot i (0 to 3) carries recommended product i, the slot after the last
// counted product the home page.
struct ChoiceSlot {
    int nSlot;
    bool bHomePage;
    bool bChecked;
    RECT rcBox;
    RECT rcLabel;
};
constexpr size_t kMaxRecommendSlots = 3;
// The shown slots along the bottom line for the recommended products (only the first three
// count) followed by the home page, in slot order.
std::vector<ChoiceSlot> PlaceChoiceSlots(const std::vector<ChoiceSlotInput>& products,
                                         const ChoiceSlotInput& homePage);

// A rectangle of the page's template (320 x 253 units) in page pixels (600 x 400).
RECT TemplateUnitsToPage(const RECT& rcUnits);

class CConfigDlg : public CHostedPage {
public:
    // host must outlive the page.
    explicit CConfigDlg(IInstallHost& host);

protected:
    std::vector<ControlRow> PageControls() override;
    void OnInitPage() override;
    void OnClose() override;
    void DrawPage(HDC hdc) override;

private:
    void SetupSlots();
    // Gives the label of slot nSlot its text; answers its text width.
    int PrepareSlotLabel(int nSlot, const std::string& strName);

    // The recommended products offered (at most three); the home page takes the next slot.
    size_t m_nRecommendCount = 0;
    CColorButton m_btnStart;
    CColorCheckButton m_chkSlot[5];
    CColorStatic m_lblSlot[5];
    CColorCheckButton m_chkRunAfter;
    CColorStatic m_lblRunAfter;
    CColorCheckButton m_chkReminder;
    CColorStatic m_lblReminder;
};
