#include "ConfigDlg.h"

#include <algorithm>

#include "InstallHost.h"
#include "Log.h"
#include "ProductInfoMgr.h"
#include "ServiceClient.h"
#include "SkinDraw.h"
#include "SkinMath.h"
#include "resource.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
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

void Place(HWND hWnd, const RECT& rc) {
    ::MoveWindow(hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, FALSE);
}

void SendHostCommand(IInstallHost& host, WORD nId) {
    ::SendMessageW(host.GetHostWindow(), WM_COMMAND, MAKEWPARAM(nId, 0), 0);
}

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

CConfigDlg::CConfigDlg(IInstallHost& host) : CHostedPage(IDD_CONFIG, host) {}

BOOL CConfigDlg::OnInitDialog() {
    MakeSkinnedWindow(GetHwnd());
    AttachControls();
    SetupTitleAndButtons();
    if (m_tooltip.Create(GetHwnd())) {
        m_tooltip.AddTool(IDC_CONFIG_CLOSE, "关闭");
        m_tooltip.AddTool(IDC_CONFIG_MIN, "最小化");
    }
    LONG_PTR nStyle = ::GetWindowLongPtrW(GetHwnd(), GWL_STYLE);
    ::SetWindowLongPtrW(GetHwnd(), GWL_STYLE, nStyle | WS_MINIMIZEBOX | WS_SYSMENU);
    SetupSlots();
    SetupOptions();
    RegisterCommands();
    return TRUE;
}

void CConfigDlg::AttachControls() {
    AttachAll({{IDC_CONFIG_TITLE, &m_title},
               {IDC_CONFIG_MIN, &m_btnMin},
               {IDC_CONFIG_CLOSE, &m_btnClose},
               {IDC_CONFIG_START, &m_btnStart},
               {IDC_CONFIG_RUN, &m_chkRunAfter},
               {IDC_CONFIG_RUN_LABEL, &m_lblRunAfter},
               {IDC_CONFIG_REMIND, &m_chkReminder},
               {IDC_CONFIG_REMIND_LABEL, &m_lblReminder}});
    for (int i = 0; i < 5; ++i) {
        Attach(kSlotBoxIds[i], m_chkSlot[i]);
        Attach(kSlotLabelIds[i], m_lblSlot[i]);
    }
}

void CConfigDlg::SetupTitleAndButtons() {
    std::string strName = CProductInfoMgr::Instance().GetDisplayName();
    ::SetWindowTextA(GetHwnd(), strName.c_str());
    ::SetWindowTextA(m_title.GetHwnd(), strName.c_str());
    m_title.SetTextColor(kWhite);
    m_title.SetTextFont(MakeFontDesc(12, FW_BOLD));
    Place(m_title.GetHwnd(), {31, 10, 200, 22});
    struct {
        CColorButton& button;
        int nImage;
        RECT rc;
    } buttons[] = {{m_btnMin, 5, {548, 10, 562, 24}},
                   {m_btnClose, 4, {574, 10, 588, 24}},
                   {m_btnStart, 2, {206, 278, 394, 360}}};
    for (auto& row : buttons) {
        row.button.SetImageType(row.nImage);
        row.button.SetShowText(false);
        Place(row.button.GetHwnd(), row.rc);
    }
}

int CConfigDlg::PrepareSlotLabel(int nSlot, const std::string& strName) {
    CColorStatic& label = m_lblSlot[nSlot];
    label.SetTextFont(MakeFontDesc(12));
    label.SetTextColor(kWhite);
    ::SetWindowTextA(label.GetHwnd(), strName.c_str());
    return label.GetTextWidth();
}

void CConfigDlg::SetupSlots() {
    CProductInfoMgr& mgr = CProductInfoMgr::Instance();
    m_nRecommendCount = std::min(mgr.GetRecommendCount(), kMaxRecommendSlots);
    if (m_nRecommendCount == 0)
        LOGF(5, "recommend setcount = 0 \n");
    std::vector<ChoiceSlotInput> products;
    for (size_t i = 0; i < m_nRecommendCount; ++i) {
        int nWidth = PrepareSlotLabel(static_cast<int>(i), mgr.GetRecommendName(i));
        products.push_back({mgr.GetRecommendStatus(i), nWidth});
    }
    int nHomeWidth = PrepareSlotLabel(static_cast<int>(m_nRecommendCount), mgr.GetHomePageDisplayName());
    ChoiceSlotInput homePage = {mgr.GetHomePageStatus(), nHomeWidth};
    for (const ChoiceSlot& slot : PlaceChoiceSlots(products, homePage)) {
        HWND hBox = m_chkSlot[slot.nSlot].GetHwnd();
        HWND hLabel = m_lblSlot[slot.nSlot].GetHwnd();
        ::SendMessageW(hBox, BM_SETCHECK, slot.bChecked ? BST_CHECKED : BST_UNCHECKED, 0);
        Place(hBox, slot.rcBox);
        Place(hLabel, slot.rcLabel);
        ::ShowWindow(hBox, SW_SHOW);
        ::ShowWindow(hLabel, SW_SHOW);
    }
}

// The two options keep the template's layout, scaled by the page's own ratio (template 320 x
// 253 units over 600 x 400 pixels) rather than the font's dialog units: the template's
// units would push them below the page under other fonts.
void CConfigDlg::SetupOptions() {
    struct {
        HWND hWnd;
        RECT rcUnits;
    } rows[] = {{m_chkRunAfter.GetHwnd(), {40, 232, 48, 240}},
                {m_lblRunAfter.GetHwnd(), {52, 232, 127, 240}},
                {m_chkReminder.GetHwnd(), {137, 232, 145, 240}},
                {m_lblReminder.GetHwnd(), {149, 232, 198, 240}}};
    for (const auto& row : rows) Place(row.hWnd, TemplateUnitsToPage(row.rcUnits));
    ::SendMessageW(m_chkRunAfter.GetHwnd(), BM_SETCHECK, m_host.GetRunAfterInstall() ? BST_CHECKED : 0, 0);
    ::SendMessageW(m_chkReminder.GetHwnd(), BM_SETCHECK, m_host.GetAnchorReminder() ? BST_CHECKED : 0, 0);
    for (CColorStatic* pLabel : {&m_lblRunAfter, &m_lblReminder}) {
        pLabel->SetTextColor(kWhite);
        pLabel->SetTextFont(MakeFontDesc(12));
    }
}

void CConfigDlg::RegisterCommands() {
    OnCommandId(IDC_CONFIG_START, [this] { OnStart(); });
    OnCommandId(IDC_CONFIG_CLOSE, [this] { OnStart(); });
    OnCommandId(IDC_CONFIG_MIN, [this] { ::ShowWindow(m_host.GetHostWindow(), SW_MINIMIZE); });
    OnCommandId(IDC_CONFIG_RUN, [this] { m_host.SetRunAfterInstall(m_chkRunAfter.GetCheck() != 0); });
    OnCommandId(IDC_CONFIG_REMIND, [this] { m_host.SetAnchorReminder(m_chkReminder.GetCheck() != 0); });
}

// Start and close end the run the same way: the client first, then the choices of this page.
void CConfigDlg::OnStart() {
    SendHostCommand(m_host, ID_CMD_FINISH_START);
    const CProductInfoMgr& mgr = CProductInfoMgr::Instance();
    ReportSubscription(m_host.GetInstallDir(), m_host.GetAnchorReminder() != FALSE,
                       static_cast<int>(mgr.GetProduct().productId));
    HandOverChoices();
    m_host.StartRecommendThread();
    SendHostCommand(m_host, ID_CMD_CLOSE_RUN);
}

void CConfigDlg::HandOverChoices() {
    if (m_chkSlot[m_nRecommendCount].GetCheck() != 0)
        CProductInfoMgr::Instance().SetHomePage();
    for (size_t i = 0; i < m_nRecommendCount; ++i)
        m_host.SetRecommend(static_cast<int>(i), m_chkSlot[i].GetCheck() != 0);
}

void CConfigDlg::OnEraseBackground(HDC hdc) {
    m_host.DrawBackgroundBehind(GetHwnd(), hdc);
    DrawImageKey(hdc, 17, 0, 10, 0, 580, 354);
    DrawImageKey(hdc, 24, 0, 15, 377, 41, 15);
    DrawImageKey(hdc, 15, 0, 10, 7, 16, 16);
    DrawImageKey(hdc, 16, 0, 0, 364, 600, 2);
}
