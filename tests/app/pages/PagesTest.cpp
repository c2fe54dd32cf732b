// The start, install-path and finish pages on a test host that records what they hand over,
// with the configuration of the "recommend" maker scenario and the built-in pictures.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ConfigDlg.h"
#include "DialogBase.h"
#include "ImageMgr.h"
#include "ImageKeys.h"
#include "InstallHost.h"
#include "InstallPathDlg.h"
#include "InstallPathRules.h"
#include "OrvaneStartDlg.h"
#include "Path.h"
#include "ProductInfoMgr.h"
#include "RefServerControl.h"
#include "SkinTestSupport.h"
#include "TestSupport.h"
#include "resource.h"

namespace {

// The main dialog's side of the pages: a real top-level window that records the commands it
// gets and the choices handed to it.
class CTestHost : public CDialogBase, public IInstallHost {
public:
    CTestHost() : CDialogBase(IDD_ORVANE_DIALOG) {}

    HWND GetHostWindow() const override { return GetHwnd(); }
    const PageTexts& GetPageTexts() const override { return texts; }
    std::vector<OfferChoice> GetRecommendOffers() const override { return offers; }
    OfferChoice GetHomePageOffer() const override { return homePage; }
    bool IsClientRunning() const override { return false; }
    void CloseClient() override { events.push_back("close client"); }
    std::string GetInstallDir() const override { return strInstallDir; }
    void SetInstallPath(const std::string& strDir) override { strInstallDir = strDir; }
    BOOL GetRunAfterInstall() const override { return bRunAfterInstall; }
    void SetRunAfterInstall(BOOL bValue) override { bRunAfterInstall = bValue; }
    BOOL GetAnchorReminder() const override { return bAnchorReminder; }
    void SetAnchorReminder(BOOL bValue) override { bAnchorReminder = bValue; }
    void SetAutoStart(BOOL bValue) override { bAutoStart = bValue; }
    void SetPinTaskbar(BOOL bValue) override { bPinTaskbar = bValue; }
    void SetRecommend(int nIndex, BOOL bValue) override { recommends.push_back(nIndex * 10 + bValue); }
    void SetHomePageChoice(BOOL bValue) override { bHomePage = bValue; }
    bool GetBackgroundSlice(const RECT&, ImageEntry& entry) const override {
        return LookupImage(kImageBackground, 0, entry);
    }
    void ShowInstallPathPage() override { events.push_back("show path page"); }
    void ShowStartPage() override { events.push_back("show start page"); }

    PageTexts texts = {"Kavvik 播放器", "Velmora Tessel", "Kavvik", "http://127.0.0.1:1/licence", "Kavvik"};
    std::vector<OfferChoice> offers = {
        {"Brelo视频社区", 1}, {"Dunsa视频社区", 2}, {"Fimra视频社区", 1}, {"Gorsk视频社区", 1}};
    OfferChoice homePage = {"Kavvik 导航", 1};
    BOOL bHomePage = -1;
    std::string strInstallDir;
    BOOL bRunAfterInstall = TRUE;
    BOOL bAnchorReminder = TRUE;
    BOOL bAutoStart = -1;
    BOOL bPinTaskbar = -1;
    std::vector<int> recommends;  // index * 10 + choice
    std::vector<std::string> events;
    std::vector<int> commands;

protected:
    bool OnCommand(int nId, int, HWND) override {
        commands.push_back(nId);
        return true;
    }
};

// Writes what the window shows as a BMP into ORVANE_SCREENSHOT_DIR, when that is set.
void SaveScreenshot(HWND hWnd, const char* pszName) {
    std::string strDir = GetEnvString("ORVANE_SCREENSHOT_DIR");
    if (strDir.empty())
        return;
    CSnapshot shot(hWnd);
    BITMAPINFOHEADER info = {sizeof(info), shot.Width(), -shot.Height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::string strBytes(sizeof(BITMAPFILEHEADER), '\0');
    strBytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x) {
            COLORREF c = shot.Pixel(x, y);
            const char bgra[4] = {static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)),
                                  static_cast<char>(GetRValue(c)), 0};
            strBytes.append(bgra, 4);
        }
    BITMAPFILEHEADER header = {0x4D42, static_cast<DWORD>(strBytes.size()), 0, 0,
                               static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(info))};
    strBytes.replace(0, sizeof(header), reinterpret_cast<const char*>(&header), sizeof(header));
    WriteFileText(AddBackslash(strDir) + pszName + ".bmp", strBytes);
}

RECT ChildRect(HWND hPage, int nId) {
    RECT rc = {};
    HWND hChild = GetDlgItem(hPage, nId);
    GetWindowRect(hChild, &rc);
    MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::string ItemText(HWND hPage, int nId) {
    char szText[512] = {};
    GetDlgItemTextA(hPage, nId, szText, sizeof(szText));
    return szText;
}

#define EXPECT_RECT(l, t, r, b, rc)                                                                       \
    do {                                                                                                  \
        RECT rcActual_ = (rc);                                                                            \
        EXPECT_EQ((std::vector<LONG>{l, t, r, b}),                                                        \
                  (std::vector<LONG>{rcActual_.left, rcActual_.top, rcActual_.right, rcActual_.bottom})); \
    } while (0)

class PagesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        std::string strBody;
        ASSERT_TRUE(ServerGet("/_maker/scenario?name=recommend", strBody));
        SetEnvironmentVariableA("ORVANE_SERVER_BASE", TestServerBase().c_str());
        ASSERT_EQ(1, CProductInfoMgr::Instance().LoadAll());
    }

    void SetUp() override {
        ASSERT_EQ(4u, CProductInfoMgr::Instance().GetRecommendCount());
        CImageMgr::Instance().LoadFromResources();
        ASSERT_TRUE(m_host.Create(nullptr));
        // A client area of 600 x 400, as the main dialog makes it.
        HWND hHost = m_host.GetHwnd();
        RECT rc = {0, 0, 600, 400};
        AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(hHost, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(hHost, GWL_EXSTYLE)));
        SetWindowPos(hHost, HWND_TOP, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_SHOWWINDOW);
    }
    // Creates the page over the host's client area and shows it.
    void Open(CDialogBase& page) {
        ASSERT_TRUE(page.Create(m_host.GetHwnd()));
        SetWindowPos(page.GetHwnd(), HWND_TOP, 0, 0, 600, 400, SWP_SHOWWINDOW);
        PumpMessages(100);
    }
    void Click(CDialogBase& page, int nId) {
        SendMessageW(GetDlgItem(page.GetHwnd(), nId), BM_CLICK, 0, 0);
        PumpMessages(20);
    }
    static bool IsChecked(CDialogBase& page, int nId) {
        return SendMessageW(GetDlgItem(page.GetHwnd(), nId), BM_GETCHECK, 0, 0) != 0;
    }

    CGdiplusSession m_gdiplus;
    CTestHost m_host;
    CTempDir m_dir;
};

// A fresh folder on the prefix's drive C:, removed with its content at the end of the scope.
struct CFolderOnC {
    CFolderOnC() : strPath("C:\\orvane-pages-" + std::to_string(GetCurrentProcessId()) + "\\") {
        CreateDirectoryA(strPath.c_str(), nullptr);
    }
    ~CFolderOnC() { RemoveTree(strPath); }
    std::string strPath;
};

// Answers the folder browser that the page opens (a dialog owned by the host window) as a
// user would: selects strSelect there and presses OK, or cancels when strSelect is empty.
class CBrowserAnswer {
public:
    CBrowserAnswer(HWND hHost, const std::string& strSelect)
        : m_strSelect(strSelect), m_thread([this, hHost] { Run(hHost); }) {}
    ~CBrowserAnswer() { m_thread.join(); }
    bool Found() const { return m_bFound; }

private:
    void Run(HWND hHost) {
        for (int i = 0; i < 200 && !m_bFound; ++i) {
            Sleep(50);
            HWND hWnd = nullptr;
            while ((hWnd = FindWindowExW(nullptr, hWnd, L"#32770", nullptr)) != nullptr) {
                if (hWnd != hHost && GetWindow(hWnd, GW_OWNER) == hHost && IsWindowVisible(hWnd)) {
                    Answer(hWnd);
                    m_bFound = true;
                    break;
                }
            }
        }
    }
    void Answer(HWND hBrowser) {
        if (m_strSelect.empty()) {
            Sleep(300);
            PostMessageW(hBrowser, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        // The tree fills itself in the background: select until the folder is the selection.
        std::string strName = m_strSelect.substr(m_strSelect.rfind('\\') + 1);
        for (int i = 0; i < 50 && SelectedItemText(hBrowser) != strName; ++i) {
            SendMessageA(hBrowser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(m_strSelect.c_str()));
            Sleep(100);
        }
        PostMessageW(hBrowser, WM_COMMAND, IDOK, 0);
    }
    static std::string SelectedItemText(HWND hBrowser) {
        HWND hTree = FindWindowExW(hBrowser, nullptr, WC_TREEVIEWW, nullptr);
        for (HWND hChild = nullptr; !hTree && (hChild = FindWindowExW(hBrowser, hChild, nullptr, nullptr));)
            hTree = FindWindowExW(hChild, nullptr, WC_TREEVIEWW, nullptr);
        char szText[MAX_PATH] = {};
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = hTree ? TreeView_GetSelection(hTree) : nullptr;
        item.pszText = szText;
        item.cchTextMax = MAX_PATH;
        if (!item.hItem || !SendMessageA(hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
            return std::string();
        return szText;
    }
    std::string m_strSelect;
    std::atomic<bool> m_bFound{false};
    std::thread m_thread;
};

}  // namespace

TEST(ChoiceSlotsTest, RecommendedProductsThenTheHomePageAlongTheBottomLine) {
    // No recommendation, home page offered ticked: one slot at x 61, the home page's.
    std::vector<ChoiceSlot> slots = PlaceChoiceSlots({}, {1, 50});
    ASSERT_EQ(1u, slots.size());
    EXPECT_EQ(0, slots[0].nSlot);
    EXPECT_TRUE(slots[0].bHomePage);
    EXPECT_TRUE(slots[0].bChecked);
    EXPECT_RECT(61, 379, 75, 392, slots[0].rcBox);
    EXPECT_RECT(80, 379, 130, 392, slots[0].rcLabel);

    // Statuses 1 and 2, home page not offered: two slots, ticked then clear, 15 pixels apart.
    slots = PlaceChoiceSlots({{1, 40}, {2, 30}}, {0, 50});
    ASSERT_EQ(2u, slots.size());
    EXPECT_TRUE(slots[0].bChecked);
    EXPECT_FALSE(slots[1].bChecked);
    EXPECT_FALSE(slots[1].bHomePage);
    EXPECT_RECT(80, 379, 120, 392, slots[0].rcLabel);
    EXPECT_RECT(135, 379, 149, 392, slots[1].rcBox);
    EXPECT_RECT(154, 379, 184, 392, slots[1].rcLabel);

    // Four products: three offered, the home page in slot 3; a product not offered leaves
    // its slot empty and no gap.
    slots = PlaceChoiceSlots({{1, 10}, {0, 10}, {3, 10}, {1, 10}}, {1, 10});
    ASSERT_EQ(3u, slots.size());
    EXPECT_EQ((std::vector<int>{0, 2, 3}),
              (std::vector<int>{slots[0].nSlot, slots[1].nSlot, slots[2].nSlot}));
    EXPECT_FALSE(slots[1].bChecked);
    EXPECT_TRUE(slots[2].bHomePage);
    EXPECT_EQ(slots[0].rcLabel.right + 15, slots[1].rcBox.left);
}

TEST_F(PagesTest, InstallPathPageProposesBrowsesAndHandsOverTheChoices) {
    CInstallPathDlg page(m_host);
    Open(page);
    HWND hPage = page.GetHwnd();
    // The default folder on a fixed drive (which one is the drive proposal's, tested apart).
    std::string strProposed = page.GetFolderText();
    EXPECT_EQ(":\\Program Files\\Kavvik", strProposed.substr(1));
    EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), GetDriveTypeA((strProposed.substr(0, 2) + "\\").c_str()));
    EXPECT_EQ("Kavvik 播放器", ItemText(hPage, IDC_PATH_TITLE));
    bool bPin = IsPinOptionShown();
    EXPECT_EQ(bPin, IsWindowVisible(GetDlgItem(hPage, IDC_PATH_PIN)) != FALSE);
    InstallPathLayout layout = ComputeInstallPathLayout(bPin);
    EXPECT_RECT(187, bPin ? 90 : 100, 203, bPin ? 106 : 116, ChildRect(hPage, IDC_PATH_BOOT));
    RECT rcLabel = ChildRect(hPage, IDC_PATH_REMIND_LABEL);
    EXPECT_EQ(208, rcLabel.left);
    EXPECT_GT(rcLabel.right - rcLabel.left, 50);  // as wide as "主播上线提醒"
    EXPECT_EQ(layout.rcReminderBox.top, rcLabel.top);
    EXPECT_RECT(175, 258, 425, 348, ChildRect(hPage, IDOK));
    EXPECT_RECT(386, layout.rcBrowse.top, 436, layout.rcBrowse.bottom, ChildRect(hPage, IDC_PATH_BROWSE));
    SaveScreenshot(m_host.GetHwnd(), "install-path-page");

    // Browsing: a cancelled browser keeps the folder, completed with the product name; a
    // folder chosen there gets the name unless it ends in it (in any letter case).
    // On drive C: Wine's browser cannot always walk to a folder on Z:.
    CFolderOnC dir;
    std::string strGames = dir.strPath + "Games";
    std::string strOwn = dir.strPath + "KAVVIK";
    ASSERT_TRUE(CreateDirectoryA(strGames.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(strOwn.c_str(), nullptr));
    const struct {
        std::string strSelect, strExpected;
    } kBrowses[] = {{"", strGames + "\\Kavvik"}, {strOwn, strOwn}, {strGames, strGames + "\\Kavvik"}};
    SetDlgItemTextA(hPage, IDC_PATH_EDIT, strGames.c_str());
    for (const auto& browse : kBrowses) {
        {
            CBrowserAnswer answer(m_host.GetHwnd(), browse.strSelect);
            Click(page, IDC_PATH_BROWSE);
            EXPECT_TRUE(answer.Found());
        }
        EXPECT_EQ(browse.strExpected, page.GetFolderText());
    }

    // Install: two options cleared, the choices and the folder handed over, download begun.
    Click(page, IDC_PATH_BOOT);
    Click(page, IDC_PATH_REMIND);
    Click(page, IDOK);
    EXPECT_EQ(strGames + "\\Kavvik", m_host.strInstallDir);
    bool bIsFile = true;
    EXPECT_TRUE(PathExists(strGames + "\\Kavvik\\Install", bIsFile) && !bIsFile);
    EXPECT_FALSE(m_host.bAutoStart);
    EXPECT_FALSE(m_host.bAnchorReminder);
    EXPECT_TRUE(m_host.bRunAfterInstall);
    EXPECT_EQ(bPin ? TRUE : -1, m_host.bPinTaskbar);
    EXPECT_EQ(std::vector<int>{ID_CMD_BEGIN_DOWNLOAD}, m_host.commands);

    // A bare drive gets the product name.
    char szDrive[] = {strGames[0], ':', '\0'};
    SetDlgItemTextA(hPage, IDC_PATH_EDIT, szDrive);
    Click(page, IDOK);
    EXPECT_EQ(std::string(szDrive) + "\\Kavvik", m_host.strInstallDir);
    RemoveDirectoryA((std::string(szDrive) + "\\Kavvik\\Install").c_str());
    RemoveDirectoryA((std::string(szDrive) + "\\Kavvik").c_str());

    // Close, minimise and the way back.
    Click(page, IDC_PATH_CLOSE);
    EXPECT_EQ(IDCANCEL, m_host.commands.back());
    Click(page, IDC_PATH_MIN);
    EXPECT_TRUE(IsIconic(m_host.GetHwnd()));
    ShowWindow(m_host.GetHwnd(), SW_RESTORE);
    Click(page, IDC_PATH_BACK);
    EXPECT_FALSE(IsWindowVisible(hPage));
    EXPECT_EQ(std::vector<std::string>{"show start page"}, m_host.events);
}

TEST_F(PagesTest, StartPageNeedsTheAgreementAndLaysTheSentenceOnOneLine) {
    COrvaneStartDlg page(m_host);
    Open(page);
    HWND hPage = page.GetHwnd();
    EXPECT_TRUE(page.IsAgreementChecked());
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hPage, IDC_START_AGREE)));
    EXPECT_EQ("Velmora Tessel软件许可协议", ItemText(hPage, IDC_START_LICENSE));
    RECT rcView = ChildRect(hPage, IDC_START_VIEW);
    RECT rcLink = ChildRect(hPage, IDC_START_LICENSE);
    RECT rcAfter = ChildRect(hPage, IDC_START_AND_INSTALL);
    EXPECT_EQ(5, rcView.left);
    EXPECT_EQ(rcView.right + 1, rcLink.left);
    EXPECT_EQ(rcLink.right, rcAfter.left);
    EXPECT_EQ(379, rcLink.top);
    EXPECT_GT(rcLink.right - rcLink.left, rcView.right - rcView.left);
    EXPECT_RECT(175, 272, 425, 362, ChildRect(hPage, IDC_START_INSTALL));
    SaveScreenshot(m_host.GetHwnd(), "start-page");

    // The custom-install button has one picture, drawn alike whether hovered or pressed.
    HWND hCustom = GetDlgItem(hPage, IDC_START_CUSTOM);
    CSnapshot normal(hCustom);
    auto differs = [&normal](const CSnapshot& shot) {
        for (int y = 0; y < shot.Height(); ++y)
            for (int x = 0; x < shot.Width(); ++x)
                if (shot.Pixel(x, y) != normal.Pixel(x, y))
                    return true;
        return false;
    };
    SendMessageW(hCustom, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(differs(CSnapshot(hCustom)));
    SendMessageW(hCustom, BM_SETSTATE, TRUE, 0);
    EXPECT_FALSE(differs(CSnapshot(hCustom)));
    SendMessageW(hCustom, BM_SETSTATE, FALSE, 0);
    SendMessageW(hCustom, WM_MOUSELEAVE, 0, 0);
    // Both chrome buttons have their tips.
    HWND hTip = FindTooltipOf(hPage);
    ASSERT_NE(nullptr, hTip);
    EXPECT_EQ("最小化", TooltipText(hTip, hPage, GetDlgItem(hPage, IDC_START_MIN)));
    EXPECT_EQ("关闭", TooltipText(hTip, hPage, GetDlgItem(hPage, IDC_START_CLOSE)));

    // The licence link opens nothing but a web address.
    {
        CLogCapture log;
        m_host.texts.strLicenseUrl = "file:///C:/nowhere/payload.exe";
        HWND hLink = GetDlgItem(hPage, IDC_START_LICENSE);
        SendMessageW(hPage, WM_COMMAND, MAKEWPARAM(IDC_START_LICENSE, STN_CLICKED),
                     reinterpret_cast<LPARAM>(hLink));
        EXPECT_TRUE(log.Contains("ServerField(licenseUrl) 拒绝 [file:///C:/nowhere/payload.exe]\r\n"))
            << log.Text();
        EXPECT_FALSE(log.Contains("ExecApp")) << log.Text();
    }

    Click(page, IDC_START_INSTALL);
    EXPECT_EQ(std::vector<int>{ID_CMD_BEGIN_DOWNLOAD}, m_host.commands);
    // Custom install leaves with the agreement cleared; without it nothing starts.
    Click(page, IDC_START_CUSTOM);
    EXPECT_FALSE(IsWindowVisible(hPage));
    EXPECT_EQ(std::vector<std::string>{"show path page"}, m_host.events);
    Click(page, IDC_START_INSTALL);
    Click(page, IDC_START_CUSTOM);
    EXPECT_EQ(1u, m_host.commands.size());
    EXPECT_EQ(1u, m_host.events.size());
    page.SetAgreementChecked();
    SendMessageW(hPage, WM_LBUTTONDBLCLK, 0, MAKELPARAM(300, 100));
    EXPECT_EQ((std::vector<int>{ID_CMD_BEGIN_DOWNLOAD, ID_CMD_BEGIN_DOWNLOAD}), m_host.commands);
    Click(page, IDC_START_CLOSE);
    EXPECT_EQ(IDCANCEL, m_host.commands.back());
}

TEST_F(PagesTest, FinishPageOffersThreeProductsAndTheHomePageAndHandsThemOver) {
    m_host.strInstallDir = m_dir.Path();  // no service client there: no subscription call
    m_host.bRunAfterInstall = FALSE;
    CConfigDlg page(m_host);
    Open(page);
    HWND hPage = page.GetHwnd();
    const int kBoxes[] = {IDC_CONFIG_SLOT0, IDC_CONFIG_SLOT1, IDC_CONFIG_SLOT2, IDC_CONFIG_SLOT3};
    const int kLabels[] = {IDC_CONFIG_SLOT0_LABEL, IDC_CONFIG_SLOT1_LABEL, IDC_CONFIG_SLOT2_LABEL,
                           IDC_CONFIG_SLOT3_LABEL};
    const char* const kNames[] = {"Brelo视频社区", "Dunsa视频社区", "Fimra视频社区", "Kavvik 导航"};
    int nRight = 61 - 15;
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(hPage, kBoxes[i]))) << i;
        EXPECT_EQ(kNames[i], ItemText(hPage, kLabels[i]));
        EXPECT_EQ(i != 1, IsChecked(page, kBoxes[i])) << i;
        RECT rcBox = ChildRect(hPage, kBoxes[i]);
        EXPECT_RECT(nRight + 15, 379, nRight + 29, 392, rcBox);
        nRight = ChildRect(hPage, kLabels[i]).right;
    }
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hPage, IDC_CONFIG_SLOT4)));
    EXPECT_FALSE(IsChecked(page, IDC_CONFIG_RUN));
    EXPECT_TRUE(IsChecked(page, IDC_CONFIG_REMIND));
    EXPECT_RECT(206, 278, 394, 360, ChildRect(hPage, IDC_CONFIG_START));
    SaveScreenshot(m_host.GetHwnd(), "finish-page");
    // The two options sit between the separator and the choices.
    EXPECT_RECT(75, 366, 90, 379, ChildRect(hPage, IDC_CONFIG_RUN));
    EXPECT_RECT(256, 366, 271, 379, ChildRect(hPage, IDC_CONFIG_REMIND));

    // The user ticks the second product and the client start, and clears the home page.
    Click(page, IDC_CONFIG_SLOT1);
    Click(page, IDC_CONFIG_SLOT3);
    Click(page, IDC_CONFIG_RUN);
    EXPECT_TRUE(m_host.bRunAfterInstall);
    Click(page, IDC_CONFIG_REMIND);
    EXPECT_FALSE(m_host.bAnchorReminder);
    // Close acts as start: the choices are handed over before the run's end begins.
    Click(page, IDC_CONFIG_CLOSE);
    EXPECT_EQ((std::vector<int>{ID_CMD_FINISH_START, ID_CMD_CLOSE_RUN}), m_host.commands);
    EXPECT_EQ((std::vector<int>{1, 11, 21}), m_host.recommends);
    EXPECT_FALSE(m_host.bHomePage);
}
