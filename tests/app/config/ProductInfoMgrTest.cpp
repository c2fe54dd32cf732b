#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <string>
#include <vector>

#include "Encoders.h"
#include "Handles.h"
#include "Log.h"
#include "MakerServer.h"
#include "Path.h"
#include "RefServerControl.h"
#include "Registry.h"
#include "ProductInfoMgr.h"
#include "TestSupport.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kClosedServer[] = "http://127.0.0.1:1";

// An uninstall entry whose uninstaller folder and display icon exist; removed at the end.
class CUninstallEntry {
public:
    CUninstallEntry(const std::string& strName, const CTempDir& dir) : m_strKey(kUninstallKey + strName) {
        std::string strIcon = dir.File(strName.substr(0, 5) + ".ico");
        WriteFileText(strIcon, "icon");
        std::string strUninstaller = dir.File("uninst.exe");
        CRegKey key;
        m_bOk = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.Receive(), nullptr) == ERROR_SUCCESS &&
                SetValue(key.Get(), "UninstallString", strUninstaller) &&
                SetValue(key.Get(), "DisplayIcon", strIcon);
    }
    ~CUninstallEntry() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, m_strKey.c_str()); }
    bool IsOk() const { return m_bOk; }

private:
    static bool SetValue(HKEY hKey, const char* pszName, const std::string& strValue) {
        return ::RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                                static_cast<DWORD>(strValue.size() + 1)) == ERROR_SUCCESS;
    }
    std::string m_strKey;
    bool m_bOk = false;
};

// A hidden message-only window that receives the completion command.
class CNotifyWindow {
public:
    CNotifyWindow() {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvaneTestNotify";
        ::RegisterClassA(&wc);
        m_hWnd = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   wc.hInstance, nullptr);
    }
    ~CNotifyWindow() { ::DestroyWindow(m_hWnd); }
    HWND Get() const { return m_hWnd; }
    // Pumps this thread's messages until a WM_COMMAND reaches the window; its id, or 0.
    int WaitForCommand(int nTimeoutMs) {
        DWORD dwStart = ::GetTickCount();
        while (static_cast<int>(::GetTickCount() - dwStart) < nTimeoutMs) {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.hwnd == m_hWnd && msg.message == WM_COMMAND && msg.lParam == 0 &&
                    HIWORD(msg.wParam) == 0) {
                    return LOWORD(msg.wParam);
                }
                ::DispatchMessageA(&msg);
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        return 0;
    }

private:
    HWND m_hWnd;
};

void ExpireCookie(const std::string& strSite, const char* pszName) {
    ::InternetSetCookieA(strSite.c_str(), pszName, "x; expires=Sat, 01-Jan-2000 00:00:00 GMT");
}

class ProductInfoMgrTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServerBase().empty());
        ClearMakerFiles();
        UseServer(TestServerBase());
        ::GetCurrentDirectoryA(sizeof(m_szOldDir), m_szOldDir);
        ASSERT_TRUE(::CreateDirectoryA(m_dir.File("log").c_str(), nullptr));
        ASSERT_TRUE(::SetCurrentDirectoryA(m_dir.Path().c_str()));
        SetLogFile(m_dir.File("test.log").c_str());
        SetLogFlags(LOG_FILE);
    }
    void TearDown() override {
        if (m_mgr)
            m_mgr->Shutdown();
        m_mgr.reset();
        SetLogFlags(LOG_TIME);
        ::SetCurrentDirectoryA(m_szOldDir);
        ClearMakerFiles();
        for (const char* pszName : {"rec_id", "ZERORUZEZA", "ZIDARIRORORAZU"})
            ExpireCookie(m_strBase + "/", pszName);
        ::SetEnvironmentVariableA("ORVANE_SERVER_BASE", nullptr);
    }
    void UseServer(const std::string& strBase) {
        m_strBase = strBase;
        ::SetEnvironmentVariableA("ORVANE_SERVER_BASE", strBase.c_str());
    }
    // A fresh manager (reading ORVANE_SERVER_BASE now) that loads with a window to notify.
    int Load() {
        m_mgr.reset(new CProductInfoMgr());
        m_mgr->StartLoading(m_window.Get());
        int nCommand = m_window.WaitForCommand(60000);
        EXPECT_TRUE(m_mgr->WaitForLoading(10000));
        return nCommand;
    }
    // The log file is written in text mode; lines are compared with their "\n" ends.
    std::string LogText() {
        std::string strText = ReadFileText(m_dir.File("test.log"));
        std::string strOut;
        for (size_t i = 0; i < strText.size(); ++i) {
            if (!(strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n'))
                strOut += strText[i];
        }
        return strOut;
    }
    std::string StatsUrl(const std::string& strTarget) { return TestServerUrl(strTarget); }

    CTempDir m_dir;
    CTempDir m_installDir;
    CNotifyWindow m_window;
    std::unique_ptr<CProductInfoMgr> m_mgr;
    std::string m_strBase;
    char m_szOldDir[MAX_PATH] = {};
};

const char kSetupWithoutRept[] =
    "<?xml version=\"1.0\" encoding=\"GBK\"?><setup productId=\"41\" productName=\"server\" companyName=\"S\""
    " productFullName=\"Server Full\" displayName=\"服务器\" version=\"1.0\" licenseUrl=\"http://lic/\""
    " installUrl=\"http://srv/a.exe\" oemId=\"6\"><homePage displayName=\"主页\" url=\"http://srv-home/\""
    " status=\"3\"/></setup>";

}  // namespace

TEST_F(ProductInfoMgrTest, UnreachableServerGivesBuiltInRowOne) {
    UseServer(kClosedServer);
    EXPECT_EQ(kCmdConfigLoaded, Load());
    const CProductInfoMgr& mgr = *m_mgr;
    EXPECT_EQ(CProductInfoMgr::kLoaded, mgr.GetLoadingState());
    EXPECT_EQ("brelo55", mgr.GetProductName());
    EXPECT_EQ("Brelo", mgr.GetCompanyName());
    EXPECT_EQ(std::string("Brelo视频社区"), mgr.GetDisplayName());
    EXPECT_EQ(std::string(kClosedServer) + "/dl1/business/brelo.exe", mgr.GetInstallUrl());
    EXPECT_EQ(std::string(kClosedServer) + "/dl2/business/brelo.exe", mgr.GetInstallUrl2());
    EXPECT_EQ("brelo55.exe", mgr.GetExecute());
    EXPECT_EQ(std::string(kClosedServer) + "/web/brelo55/", mgr.GetProduct().homePageUrl);
    EXPECT_EQ(0u, mgr.GetProduct().productId);
    EXPECT_EQ(std::string(kClosedServer) + "/stat/brelo55/downloader/", mgr.GetReptInfo().url);
    EXPECT_EQ("0.0", mgr.GetReptInfo().version);
    EXPECT_EQ(std::vector<std::string>{"brelo55.exe"}, mgr.GetProcessNames());
    EXPECT_EQ("", mgr.GetClientFolderName());
    EXPECT_EQ(std::string("Brelo视频社区-"), mgr.GetUninstallKeyName());
    EXPECT_FALSE(mgr.IsProductRunning());
    m_mgr->Shutdown();
    std::string strLog = LogText();
    EXPECT_NE(std::string::npos, strLog.find("App LoadProductInfo Error\n"));
    EXPECT_NE(std::string::npos,
              strLog.find("Rept " + std::string(kClosedServer) +
                          "/stat/brelo55/downloader/start?dlver=G1.0.0&pname=brelo55&pver=0.0"
                          "&cmdtype=0&cmdid=0&ad=0&oemid=0&fromurl=&webid= Result [-4, "));
}

TEST_F(ProductInfoMgrTest, NoResultGivesNothingToInstallAndAStartReportWithoutBase) {
    ASSERT_TRUE(PutMakerFile("maker-catalogue.xml", "<catalogue/>"));
    ASSERT_TRUE(PutMakerFile("maker-setup.xml", "No Result"));
    EXPECT_EQ(kCmdNothingToInstall, Load());
    EXPECT_EQ(CProductInfoMgr::kNothingToOffer, m_mgr->GetLoadingState());
    EXPECT_EQ("", m_mgr->GetProductName());
    EXPECT_EQ("", m_mgr->GetReptInfo().url);
    EXPECT_TRUE(m_mgr->GetProcessNames().empty());
    EXPECT_EQ((std::vector<std::string>{"/downcontainer/downLoad.do",
                                        "/downcontainer/downLoadInfo.do?oemID=0&recid=0"}),
              MakerRecord("maker-config.log"));
    EXPECT_EQ("<catalogue/>", ReadFileText(m_dir.File("log\\1.xml")));
    EXPECT_EQ("No Result", ReadFileText(m_dir.File("log\\2.xml")));
    m_mgr->Shutdown();
    std::string strLog = LogText();
    EXPECT_NE(std::string::npos, strLog.find("App GetProductInfo() Error 0\n"));
    EXPECT_NE(std::string::npos,
              strLog.find("Rept start?dlver=G1.0.0&pname=&pver=&cmdtype=0&cmdid=0&ad=0&oemid=0"
                          "&fromurl=&webid= Result [-3, 0]\n"));
    EXPECT_TRUE(MakerRecord("maker-stats.log").empty());
}

TEST_F(ProductInfoMgrTest, SetupWithoutReptFallsBackToRowOneKeepingTheServerNumbers) {
    ASSERT_TRUE(
        PutMakerFile("maker-catalogue.xml", "<c><product id=\"3\" productFullName=\"Nowhere\"/></c>"));
    ASSERT_TRUE(PutMakerFile("maker-setup.xml", kSetupWithoutRept));
    EXPECT_EQ(kCmdConfigLoaded, Load());
    const CProductInfoMgr& mgr = *m_mgr;
    EXPECT_EQ("brelo55", mgr.GetProductName());
    EXPECT_EQ(std::string("Brelo视频社区"), mgr.GetProductFullName());
    EXPECT_EQ("", mgr.GetProduct().version);
    EXPECT_EQ(TestServerUrl("/dl1/business/brelo.exe"), mgr.GetInstallUrl());
    EXPECT_EQ(TestServerUrl("/web/brelo55/"), mgr.GetProduct().homePageUrl);
    EXPECT_EQ(41u, mgr.GetProduct().productId);
    EXPECT_EQ("http://lic/", mgr.GetLicenseUrl());
    EXPECT_EQ(std::string("主页"), mgr.GetHomePageDisplayName());
    EXPECT_EQ(3u, mgr.GetHomePageStatus());
    EXPECT_EQ(6u, mgr.GetOemId());
    EXPECT_EQ(6u, mgr.GetProduct().oemId);
    ASSERT_TRUE(WaitForMakerRecord("maker-stats.log", 1, 20000));
    EXPECT_EQ(
        "/stat/brelo55/downloader/start?dlver=G1.0.0&pname=brelo55&pver=0.0&cmdtype=0&cmdid=0&ad=0&oemid=6"
        "&fromurl=&webid=",
        MakerRecord("maker-stats.log")[0]);
    EXPECT_NE(std::string::npos, LogText().find("App GetProductInfo() Error -1\n"));
}

TEST_F(ProductInfoMgrTest, CookiesAndInstalledProductsShapeTheRequestAndEveryReport) {
    std::string strSite = TestServerBase() + "/";
    ASSERT_TRUE(::InternetSetCookieA(strSite.c_str(), "rec_id", "300:5:1"));
    ASSERT_TRUE(::InternetSetCookieA(strSite.c_str(), "ZERORUZEZA", "http://ref.example/a b"));
    ASSERT_TRUE(::InternetSetCookieA(strSite.c_str(), "ZIDARIRORORAZU", "web 1"));
    CUninstallEntry seven("OrvTestSeven-1.0", m_installDir);
    CUninstallEntry twelve("OrvTestTwelve-2.5", m_installDir);
    ASSERT_TRUE(seven.IsOk() && twelve.IsOk());
    ASSERT_TRUE(PutMakerFile(
        "maker-catalogue.xml",
        "<c><product id=\"7\" productFullName=\"OrvTestSeven\"/><product id=\"9\""
        " productFullName=\"OrvTestNine\"/><product id=\"12\" productFullName=\"OrvTestTwelve\"/>"
        "<product id=\"13\" productFullName=\"OrvTestSeven-1.0\"/></c>"));
    ASSERT_TRUE(PutMakerFile("maker-setup.xml",
                             "<setup productId=\"2\" productName=\"Kavvik\" productFullName=\"Kavvik Player\""
                             " version=\"3.2.1\" oemId=\"12\"><rept url=\"" +
                                 TestServerUrl("/stat/kv") +
                                 "\" productName=\"kv\" version=\"3.2\"/><firstimage "
                                 "url=\"http://f/\"/><image url=\"http://i1/\"/>"
                                 "<recommendsetup name=\"R\" url=\"http://r/\" status=\"1\"/></setup>"));
    EXPECT_EQ(kCmdConfigLoaded, Load());
    CProductInfoMgr& mgr = *m_mgr;
    EXPECT_EQ("/downcontainer/downLoadInfo.do?id=7;12&oemID=0&recid=5",
              MakerRecord("maker-config.log").at(1));
    EXPECT_EQ(44, mgr.GetPromotion().recType);
    EXPECT_EQ(5, mgr.GetPromotion().recId);
    EXPECT_EQ(1, mgr.GetPromotion().recAd);
    EXPECT_EQ("http://ref.example/a b", mgr.GetPromotion().fromUrl);
    EXPECT_EQ("web 1", mgr.GetPromotion().webId);
    EXPECT_EQ(Base64Encode("rec_id:5,rec_type:44,rec_ad:1,src_url:http://ref.example/a b,web_id:web 1,"),
              mgr.GetPromotionSummary());
    EXPECT_EQ(12u, mgr.GetOemId());
    EXPECT_EQ("Kavvik", mgr.GetClientFolderName());
    EXPECT_EQ(std::vector<std::string>{"Pavilux.exe"}, mgr.GetProcessNames());
    EXPECT_EQ("Kavvik Player-3.2.1", mgr.GetUninstallKeyName());
    EXPECT_EQ("http://f/", mgr.GetFirstImageUrl());
    EXPECT_EQ(1u, mgr.GetImageCount());
    EXPECT_EQ("http://i1/", mgr.GetImageUrl(0));
    EXPECT_EQ("", mgr.GetImageUrl(1));
    ASSERT_EQ(1u, mgr.GetRecommendCount());
    EXPECT_EQ("http://r/", mgr.GetRecommendUrl(0));
    EXPECT_EQ(TestServerUrl("/stat/kv/"), mgr.GetReptInfo().url);

    mgr.ReportStartDown();
    mgr.ReportDownloadComplete(1500);
    mgr.ReportDownloadFailed(3);
    mgr.ReportInstallComplete(10, 20, 1, 5, false);
    mgr.ReportClientStart(true);
    mgr.ReportClientStart(false);
    const std::string strCommon =
        "?dlver=G1.0.0&pname=kv&pver=3.2&cmdtype=44&cmdid=5&ad=1&oemid=12"
        "&fromurl=http://ref.example/a+b&webid=web%201";
    std::vector<std::string> expected = {
        "/stat/kv/start" + strCommon,
        "/stat/kv/startdown" + strCommon,
        "/stat/kv/downloadcomplete" + strCommon + "&dltime=1500",
        "/stat/kv/downloadfailed" + strCommon + "&err=3",
        "/stat/kv/installcompletefail" + strCommon + "&dltime=10&insttime=20&homepage=1&recinst=5",
        "/stat/kv/clientstart" + strCommon,
        "/stat/kv/clientstartfail" + strCommon,
    };
    ASSERT_TRUE(WaitForMakerRecord("maker-stats.log", expected.size(), 20000));
    EXPECT_EQ(expected, MakerRecord("maker-stats.log"));
}

TEST_F(ProductInfoMgrTest, InstalledBuiltInRowsAreSkipped) {
    UseServer(kClosedServer);
    std::vector<std::unique_ptr<CUninstallEntry>> entries;
    entries.emplace_back(new CUninstallEntry("Brelo视频社区-1.0", m_installDir));
    entries.emplace_back(new CUninstallEntry("dunsa视频社区-2.0", m_installDir));
    EXPECT_EQ(kCmdConfigLoaded, Load());
    EXPECT_EQ("fimra55", m_mgr->GetProductName());
    EXPECT_EQ(std::string(kClosedServer) + "/web/brelo55/", m_mgr->GetProduct().homePageUrl);
    EXPECT_EQ(std::string(kClosedServer) + "/stat/fimra55/downloader/", m_mgr->GetReptInfo().url);
    m_mgr->Shutdown();

    for (const char* pszName : {"Fimra视频社区-1", "Gorlu视频社区-1", "Hesko视频社区-1", "Jupra视频社区-1"}) {
        entries.emplace_back(new CUninstallEntry(pszName, m_installDir));
    }
    EXPECT_EQ(kCmdNothingToInstall, Load());
    EXPECT_EQ(CProductInfoMgr::kNothingToOffer, m_mgr->GetLoadingState());
    EXPECT_EQ("", m_mgr->GetProductName());
}

// Started as a copy of this program under the product's process name.
TEST(ProductProcessHelper, DISABLED_Sleep) {
    ::Sleep(30000);
}

TEST_F(ProductInfoMgrTest, ProductProcessesAreFoundAndEnded) {
    ASSERT_TRUE(PutMakerFile("maker-catalogue.xml", "<c/>"));
    ASSERT_TRUE(PutMakerFile("maker-setup.xml", "<setup productName=\"orvsleeper\"><rept url=\"" +
                                                    TestServerUrl("/stat/p/") + "\"/></setup>"));
    ASSERT_EQ(kCmdConfigLoaded, Load());
    ASSERT_EQ(std::vector<std::string>{"orvsleeper.exe"}, m_mgr->GetProcessNames());
    EXPECT_FALSE(m_mgr->IsProductRunning());

    std::string strCopy = m_installDir.File("orvsleeper.exe");
    ASSERT_TRUE(::CopyFileA(GetModulePath().c_str(), strCopy.c_str(), FALSE));
    std::string strCommand =
        "\"" + strCopy +
        "\" --gtest_also_run_disabled_tests --gtest_filter=ProductProcessHelper.DISABLED_Sleep";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(
        ::CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CHandle hProcess(pi.hProcess);
    CHandle hThread(pi.hThread);
    DWORD dwStart = ::GetTickCount();
    while (!m_mgr->IsProductRunning() && ::GetTickCount() - dwStart < 10000) ::Sleep(20);
    EXPECT_TRUE(m_mgr->IsProductRunning());
    m_mgr->KillProductProcesses();
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(hProcess.Get(), 10000));
    DWORD dwExit = 0;
    ::GetExitCodeProcess(hProcess.Get(), &dwExit);
    EXPECT_EQ(0xFFFFFFFFu, dwExit);
    EXPECT_FALSE(m_mgr->IsProductRunning());
}

TEST_F(ProductInfoMgrTest, HomePageIsWrittenOnlyWhenOffered) {
    const char kMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
    std::string strOriginal;
    bool bHadValue = ReadRegistryString(HKEY_CURRENT_USER, kMainKey, "Start Page", strOriginal);
    ASSERT_TRUE(SetBrowserStartPage("http://marker.invalid/"));

    CProductInfoMgr fresh;
    fresh.SetHomePage();
    std::string strValue;
    ASSERT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, kMainKey, "Start Page", strValue));
    EXPECT_EQ("http://marker.invalid/", strValue);
    fresh.Shutdown();

    UseServer(kClosedServer);
    ASSERT_EQ(kCmdConfigLoaded, Load());
    m_mgr->SetHomePage();
    ASSERT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, kMainKey, "Start Page", strValue));
    EXPECT_EQ(std::string(kClosedServer) + "/web/brelo55/", strValue);
    m_mgr->Shutdown();

    // A page on the disk offered ticked is neither offered nor written; the document stays
    // usable, with its pictures and recommended products that are no web addresses dropped.
    ASSERT_TRUE(SetBrowserStartPage("http://marker.invalid/"));
    UseServer(TestServerBase());
    const std::string strPayload = "file:///C:/Users/x/Downloads/payload.exe";
    ASSERT_TRUE(PutMakerFile("maker-catalogue.xml", "<c/>"));
    ASSERT_TRUE(
        PutMakerFile("maker-setup.xml",
                     "<setup productId=\"8\" productName=\"Kavvik\"><homePage displayName=\"H\" url=\"" +
                         strPayload + "\" status=\"1\"/><rept url=\"" + TestServerUrl("/stat/k/") +
                         "\"/><firstimage url=\"\\\\host\\share\\a.png\"/><image url=\"http://i/1.png\"/>"
                         "<image url=\"file:///C:/a.png\"/><recommendsetup name=\"R\" url=\"mshta.exe\""
                         " status=\"1\"/></setup>"));
    ASSERT_EQ(kCmdConfigLoaded, Load());
    EXPECT_EQ("Kavvik", m_mgr->GetProductName());
    EXPECT_EQ(0u, m_mgr->GetHomePageStatus());
    EXPECT_EQ("", m_mgr->GetProduct().homePageUrl);
    EXPECT_EQ("", m_mgr->GetFirstImageUrl());
    EXPECT_EQ((std::vector<std::string>{"http://i/1.png", ""}),
              (std::vector<std::string>{m_mgr->GetImageUrl(0), m_mgr->GetImageUrl(1)}));
    EXPECT_EQ(0u, m_mgr->GetRecommendCount());
    m_mgr->SetHomePage();
    ASSERT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, kMainKey, "Start Page", strValue));
    EXPECT_EQ("http://marker.invalid/", strValue);
    for (const std::string& strLine : {"ServerField(homePage url) 拒绝 [" + strPayload + "]\n",
                                       std::string("ServerField(image url) 拒绝 [\\\\host\\share\\a.png]\n"),
                                       std::string("ServerField(recommendsetup url) 拒绝 [mshta.exe]\n")})
        EXPECT_TRUE(LogText().find(strLine) != std::string::npos) << strLine << LogText();
    if (bHadValue) {
        SetBrowserStartPage(strOriginal);
    } else {
        CRegKey key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kMainKey, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS) {
            ::RegDeleteValueA(key.Get(), "Start Page");
        }
    }
}

// A product name that leaves its folder makes the whole document unusable: nothing of it is
// kept, and the built-in products answer.
TEST_F(ProductInfoMgrTest, AProductNameOutsideItsFolderGivesTheBuiltInProducts) {
    ASSERT_TRUE(PutMakerFile("maker-catalogue.xml", "<c/>"));
    ASSERT_TRUE(
        PutMakerFile("maker-setup.xml",
                     "<setup productId=\"5\" productName=\"..\\..\\hx\\planted\" productFullName=\"P\""
                     " installUrl=\"http://h/p.exe\" execute=\"p.exe\" licenseUrl=\"http://h/l\" oemId=\"9\">"
                     "<homePage displayName=\"H\" url=\"http://h/\" status=\"1\"/><rept url=\"" +
                         TestServerUrl("/stat/p/") + "\"/></setup>"));
    ASSERT_EQ(kCmdConfigLoaded, Load());
    const ProductInfo& product = m_mgr->GetProduct();
    EXPECT_EQ("brelo55", product.productName);
    EXPECT_EQ(TestServerUrl("/dl1/business/brelo.exe"), product.installUrl);
    EXPECT_EQ("brelo55.exe", product.execute);
    EXPECT_EQ(0u, product.productId);
    EXPECT_EQ(0u, m_mgr->GetOemId());
    EXPECT_EQ("", product.licenseUrl);
    EXPECT_EQ(0u, product.homePageStatus);
    EXPECT_EQ(TestServerUrl("/stat/brelo55/downloader/"), m_mgr->GetReptInfo().url);
    std::string strLog = LogText();
    EXPECT_TRUE(strLog.find("ServerField(productName) 拒绝 [..\\..\\hx\\planted]\n") != std::string::npos)
        << strLog;
    EXPECT_TRUE(strLog.find("App GetProductInfo() Error -1\n") != std::string::npos) << strLog;
}

TEST_F(ProductInfoMgrTest, ASlowServerNeverHoldsTheManagersEnd) {
    // The configuration server answers the catalogue only after 4 s.
    ASSERT_TRUE(PutMakerFile("maker-catalogue.xml", "<c/>"));
    ASSERT_TRUE(SetServerRule(std::string("path=") + kCataloguePath + "&delay=4000"));
    m_mgr.reset(new CProductInfoMgr());
    m_mgr->StartLoading(m_window.Get());
    ::Sleep(300);
    DWORD dwStart = ::GetTickCount();
    m_mgr.reset();
    EXPECT_LT(::GetTickCount() - dwStart, 2000u);
    // The loading goes on over the state it holds (it asks for the setup document next) and
    // posts nothing to the window of an owner that is gone.
    EXPECT_EQ(0, m_window.WaitForCommand(8000));
    EXPECT_FALSE(ServerRequests(kSetupPath).empty());
}
