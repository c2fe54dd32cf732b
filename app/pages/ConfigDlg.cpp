#include "ConfigDlg.h"

#include <algorithm>

#include "InstallHost.h"
#include "Log.h"
#include "SkinDraw.h"
#include "resource.h"

namespace {

constexpr int kSlotBoxIds[5] = {IDC_CONFIG_SLOT0, IDC_CONFIG_SLOT1, IDC_CONFIG_SLOT2, IDC_CONFIG_SLOT3,
                                IDC_CONFIG_SLOT4};
constexpr int kSlotLabelIds[5] = {IDC_CONFIG_SLOT0_LABEL, IDC_CONFIG_SLOT1_LABEL, IDC_CONFIG_SLOT2_LABEL,
                                  IDC_CONFIG_SLOT3_LABEL, IDC_CONFIG_SLOT4_LABEL};
constexpr int kSlotLeft = 61;  // 5 pixels right of the bottom mark
constexpr int kSlotGap = 15;
constexpr int kSlotsPerRun = 6;
constexpr int kSlotTop = 379;
constexpr int kSlotBottom = 392;
constexpr int kBoxWidth = 14;
constexpr int kLabelGap = 5;
const CHostedPage::Chrome kChrome = {IDC_CONFIG_TITLE,   IDC_CONFIG_MIN,     IDC_CONFIG_CLOSE,
                                     {548, 10, 562, 24}, {574, 10, 588, 24}, true};

}  // namespace

RECT TemplateUnitsToPage(const RECT& rcUnits) {
    auto x = [](LONG n) { return static_cast<LONG>(n * 600 / 320); };
    auto y = [](LONG n) { return static_cast<LONG>(n * 400 / 253); };
    return {x(rcUnits.left), y(rcUnits.top), x(rcUnits.right), y(rcUnits.bottom)};
}

std::vector<ChoiceSlot> PlaceChoiceSlots(const std::vector<ChoiceSlotInput>& products,
                                         const ChoiceSlotInput& homePage) {
    size_t nCount = std::min(products.size(), kMaxRecommendSlots);
    std::vector<ChoiceSlot> slots;
    int x = kSlotLeft;
    for (size_t i = 0; i <= nCount; ++i) {
        const ChoiceSlotInput& input = i < nCount ? products[i] : homePage;
        if (input.nStatus == 0)
            continue;
        if (slots.size() % kSlotsPerRun == 0)
            x = kSlotLeft;
        ChoiceSlot slot = {static_cast<int>(i), i == nCount, input.nStatus == 1, {}, {}};
        slot.rcBox = {x, kSlotTop, x + kBoxWidth, kSlotBottom};
        int nLabelLeft = slot.rcBox.right + kLabelGap;
        slot.rcLabel = {nLabelLeft, kSlotTop, nLabelLeft + input.nLabelWidth, kSlotBottom};
        x = slot.rcLabel.right + kSlotGap;
        slots.push_back(slot);
    }
    return slots;
}

CConfigDlg::CConfigDlg(IInstallHost& host) : CHostedPage(IDD_CONFIG, host, kChrome) {}

// The two options keep the template's layout, scaled by the page's own ratio (template 320 x
// 253 units over 600 x 400 pixels) rather than the font's dialog units: the template's
// units would push them below the page under other fonts.
std::vector<ControlRow> CConfigDlg::PageControls() {
    std::vector<ControlRow> rows = {
        // The words of its picture, as its window text for screen readers.
        {IDC_CONFIG_START,
         &m_btnStart,
         {206, 278, 394, 360},
         kImageFinishButton,
         "立即体验",
         kNoFont,
         kNoColor},
        {IDC_CONFIG_RUN, &m_chkRunAfter, TemplateUnitsToPage({40, 232, 48, 240}), 0, nullptr, kNoFont,
         kNoColor},
        {IDC_CONFIG_RUN_LABEL, &m_lblRunAfter, TemplateUnitsToPage({52, 232, 127, 240}), 0, nullptr,
         kTextFont, kWhite},
        {IDC_CONFIG_REMIND, &m_chkReminder, TemplateUnitsToPage({137, 232, 145, 240}), 0, nullptr, kNoFont,
         kNoColor},
        {IDC_CONFIG_REMIND_LABEL, &m_lblReminder, TemplateUnitsToPage({149, 232, 198, 240}), 0, nullptr,
         kTextFont, kWhite}};
    // The choice slots are placed by their labels' widths once those have their texts.
    for (int i = 0; i < 5; ++i) {
        rows.push_back({kSlotBoxIds[i], &m_chkSlot[i], {}, 0, nullptr, kNoFont, kNoColor});
        rows.push_back({kSlotLabelIds[i], &m_lblSlot[i], {}, 0, nullptr, kTextFont, kWhite});
    }
    return rows;
}

void CConfigDlg::OnInitPage() {
    LONG_PTR nStyle = ::GetWindowLongPtrW(GetHwnd(), GWL_STYLE);
    ::SetWindowLongPtrW(GetHwnd(), GWL_STYLE, nStyle | WS_MINIMIZEBOX | WS_SYSMENU);
    SetupSlots();
    CopyWindowText(m_lblRunAfter.GetHwnd(), m_chkRunAfter.GetHwnd());
    CopyWindowText(m_lblReminder.GetHwnd(), m_chkReminder.GetHwnd());
    ::SendMessageW(m_chkRunAfter.GetHwnd(), BM_SETCHECK, m_host.GetRunAfterInstall() ? BST_CHECKED : 0, 0);
    ::SendMessageW(m_chkReminder.GetHwnd(), BM_SETCHECK, m_host.GetAnchorReminder() ? BST_CHECKED : 0, 0);
    OnCommandId(IDC_CONFIG_START, [this] { OnClose(); });
    OnCommandId(IDC_CONFIG_RUN, [this] { m_host.SetRunAfterInstall(m_chkRunAfter.GetCheck() != 0); });
    OnCommandId(IDC_CONFIG_REMIND, [this] { m_host.SetAnchorReminder(m_chkReminder.GetCheck() != 0); });
}

int CConfigDlg::PrepareSlotLabel(int nSlot, const std::string& strName) {
    CColorStatic& label = m_lblSlot[nSlot];
    ::SetWindowTextA(label.GetHwnd(), strName.c_str());
    ::SetWindowTextA(m_chkSlot[nSlot].GetHwnd(), strName.c_str());
    return label.GetTextWidth();
}

void CConfigDlg::SetupSlots() {
    std::vector<OfferChoice> offers = m_host.GetRecommendOffers();
    m_nRecommendCount = std::min(offers.size(), kMaxRecommendSlots);
    if (m_nRecommendCount == 0)
        LOGF(5, "recommend setcount = 0 \n");
    std::vector<ChoiceSlotInput> products;
    for (size_t i = 0; i < m_nRecommendCount; ++i) {
        int nWidth = PrepareSlotLabel(static_cast<int>(i), offers[i].strName);
        products.push_back({offers[i].nStatus, nWidth});
    }
    OfferChoice home = m_host.GetHomePageOffer();
    int nHomeWidth = PrepareSlotLabel(static_cast<int>(m_nRecommendCount), home.strName);
    for (const ChoiceSlot& slot : PlaceChoiceSlots(products, {home.nStatus, nHomeWidth})) {
        HWND hBox = m_chkSlot[slot.nSlot].GetHwnd();
        HWND hLabel = m_lblSlot[slot.nSlot].GetHwnd();
        ::SendMessageW(hBox, BM_SETCHECK, slot.bChecked ? BST_CHECKED : BST_UNCHECKED, 0);
        Place(hBox, slot.rcBox);
        Place(hLabel, slot.rcLabel);
        ::ShowWindow(hBox, SW_SHOW);
        ::ShowWindow(hLabel, SW_SHOW);
    }
}

// Start and close end the run the same way: the choices of this page go to the main dialog,
// which starts the client and the rest of the run's end, then the run ends.
void CConfigDlg::OnClose() {
    m_host.SetHomePageChoice(m_chkSlot[m_nRecommendCount].GetCheck() != 0);
    for (size_t i = 0; i < m_nRecommendCount; ++i)
        m_host.SetRecommend(static_cast<int>(i), m_chkSlot[i].GetCheck() != 0);
    SendHostCommand(ID_CMD_FINISH_START);
    SendHostCommand(ID_CMD_CLOSE_RUN);
}

void CConfigDlg::DrawPage(HDC hdc) {
    DrawImageKey(hdc, kImageFinish, 0, 10, 0, 580, 354);
    DrawImageKey(hdc, kImageFinishMark, 0, 15, 377, 41, 15);
    DrawImageKey(hdc, kImageSeparator, 0, 0, 364, 600, 2);
}
