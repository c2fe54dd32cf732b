// Whole install runs without windows, against the reference server's maker scenarios and the
// stand-in programs: what the main dialog's commands and timer drive.
#include "InstallRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "Handles.h"
#include "InstallerPaths.h"
#include "Log.h"
#include "MakerServer.h"
#include "Path.h"
#include "ProductInfoMgr.h"
#include "RefServerControl.h"
#include "StandinSupport.h"
#include "TestSupport.h"

namespace {

const char kKavvikEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kavvik-3.2.1";

class InstallRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServerBase().empty());
        ::SetEnvironmentVariableA("ORVANE_SERVER_BASE", TestServerBase().c_str());
        ::SetEnvironmentVariableA("ORVANE_STANDIN_RECORD", m_dir.File("record.txt").c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKavvikEntry);
        SetLogFile(m_dir.File("run.log").c_str());
        SetLogFlags(LOG_FILE);
    }
    void TearDown() override {
        SetLogFlags(LOG_TIME);
        SetLogFile("");
        m_run.reset();
        if (m_mgr)
            m_mgr->Shutdown();
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKavvikEntry);
        ::SetEnvironmentVariableA("ORVANE_STANDIN_RECORD", nullptr);
        ::SetEnvironmentVariableA("ORVANE_SERVER_BASE", nullptr);
        ClearMakerFiles();
    }
    // A scenario in place, a manager loaded from it and a run into a folder with blanks.
    CInstallRun& Prepare(const std::string& strScenario, const std::string& strFolder) {
        ClearMakerFiles();
        std::string strAnswer;
        EXPECT_TRUE(ServerGet("/_maker/scenario?name=" + strScenario, strAnswer)) << strAnswer;
        m_run.reset();
        if (m_mgr)
            m_mgr->Shutdown();
        m_mgr.reset(new CProductInfoMgr());
        CComInit com;
        EXPECT_EQ(1, m_mgr->LoadAll());
        m_run.reset(new CInstallRun(*m_mgr));
        m_run->SetInstallPath(m_dir.Path() + "Program Files\\" + strFolder);
        return *m_run;
    }
    // The begin-download command's two halves, as the dialog runs them.
    void Begin(CInstallRun& run) {
        EXPECT_TRUE(run.BeginDownload());
        run.StartInstallerOrDownload();
    }
    // Polls every 100 ms like the dialog until the installer has exited or the run failed.
    CInstallRun::PollResult PollUntilSettled(std::vector<int>& shown) {
        for (int i = 0; i < 600; ++i) {
            CInstallRun::PollResult result = m_run->Poll();
            if (result.nProgress >= 0)
                shown.push_back(result.nProgress);
            if (result.bInstallerExited || result.bFailed)
                return result;
            ::Sleep(100);
        }
        ADD_FAILURE() << "the run did not settle";
        return CInstallRun::PollResult();
    }
    // The statistics server's events in arrival order, each with its tail after webid.
    std::vector<std::string> Events(size_t nAtLeast) {
        EXPECT_TRUE(WaitForMakerRecord("maker-stats.log", nAtLeast, 20000));
        std::vector<std::string> events;
        for (const std::string& strLine : MakerRecord("maker-stats.log")) {
            std::string strPath = strLine.substr(0, strLine.find('?'));
            size_t nTail = strLine.find("&webid=");
            nTail = strLine.find('&', nTail + 1);
            events.push_back(strPath.substr(strPath.rfind('/') + 1) +
                             (nTail == std::string::npos ? "" : strLine.substr(nTail)));
        }
        return events;
    }
    // The log is written in text mode; lines are compared with their "\n" ends.
    std::string LogText() {
        std::string strText = ReadFileText(m_dir.File("run.log")), strOut;
        for (size_t i = 0; i < strText.size(); ++i)
            if (!(strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n'))
                strOut += strText[i];
        return strOut;
    }
    std::string Record() { return ReadFileText(m_dir.File("record.txt")); }
    bool WaitForRecord(const std::string& strText) {
        for (int i = 0; i < 200 && Record().find(strText) == std::string::npos; ++i) ::Sleep(50);
        return Record().find(strText) != std::string::npos;
    }

    CTempDir m_dir;
    std::unique_ptr<CProductInfoMgr> m_mgr;
    std::unique_ptr<CInstallRun> m_run;
};

bool Contains(const std::string& strText, const std::string& strPart) {
    return strText.find(strPart) != std::string::npos;
}

}  // namespace

TEST_F(InstallRunTest, DefaultRunFromDownloadToClientAndRecommendedProducts) {
    CInstallRun& run = Prepare("default", "Kavvik");
    std::string strFolder = run.GetInstallDir();
    ASSERT_TRUE(run.BeginDownload());
    EXPECT_FALSE(run.BeginDownload());
    run.StartInstallerOrDownload();
    std::vector<int> shown;
    CInstallRun::PollResult last = PollUntilSettled(shown);
    ASSERT_TRUE(last.bInstallerExited);
    EXPECT_EQ(run.GetState(), CInstallRun::kInstalling);
    EXPECT_EQ(shown.back(), 100);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_TRUE(Contains(Record(), "autostart=FALSE\tcommender=" + m_mgr->GetPromotionSummary() +
                                       "\tfolder=" + strFolder + "\n"))
        << Record();

    ASSERT_TRUE(run.FinishInstall());
    EXPECT_FALSE(run.FinishInstall());
    EXPECT_EQ(run.GetState(), CInstallRun::kFinished);
    EXPECT_EQ(run.GetInstallerPath(), strFolder + "\\Install\\kavvik_setup.exe");
    run.StartClient();
    // Started through the desktop's shell, the client has the shell's environment; its line is
    // also beside it.
    std::string strClient = "client\tcmdline=\"" + strFolder + "\\Kavvik.exe\"\tcwd=" + strFolder + "\n";
    auto clientText = [&] { return Record() + ReadFileText(strFolder + "\\standins.log"); };
    for (int i = 0; i < 200 && !Contains(clientText(), strClient); ++i) ::Sleep(50);
    EXPECT_TRUE(Contains(clientText(), strClient)) << clientText();
    EXPECT_FALSE(FileExists(run.GetInstallerPath()));

    run.ReportSubscription();
    EXPECT_TRUE(WaitForRecord("library\tReptQuasolSubscibe\t1\t1\t8\t0\n")) << Record();
    EXPECT_TRUE(WaitForRecord("service\targs=-i\t")) << Record();
    run.GetChoices().bRecommend[0] = run.GetChoices().bRecommend[1] = 1;
    ASSERT_NE(run.StartRecommendThread(), nullptr);
    run.WaitForRecommended();
    EXPECT_TRUE(WaitForRecord("recommend\tpath=" + strFolder + "\\Install\\brelo.exe\t")) << Record();
    EXPECT_TRUE(WaitForRecord("recommend\tpath=" + strFolder + "\\Install\\dunsa.exe\t")) << Record();

    std::string strLog = LogText();
    for (const std::string& strLine :
         {"Launch InstallProgram: " + QuoteSpaces(run.GetInstallerPath()) +
              " /S /AUTOSTART=FALSE /COMMENDER_ID=" + m_mgr->GetPromotionSummary() + " /D=" + strFolder +
              "\n",
          std::string("OnCmdStart() m_bPinTaskbar=1\n "),
          std::string("OnCmdStart() strPorductName=Kavvik\n "), std::string("State=3,runafterinstall=1\n"),
          "Call LaunchKavvik(" + strFolder + "\\Kavvik.exe)\n", "Exec " + strFolder + "\\Kavvik.exe [1]\n",
          std::string("OnCmdStart() StartClient=1 \n"),
          std::string("OnBnClickedStartBtn 上报订阅资讯行为\n")})
        EXPECT_TRUE(Contains(strLog, strLine)) << strLine << "\n---\n" << strLog;

    std::vector<std::string> events = Events(5);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0], "start");
    EXPECT_EQ(events[1], "startdown");
    EXPECT_EQ(events[2].substr(0, 24), "downloadcomplete&dltime=");
    EXPECT_TRUE(Contains(events[3], "installcomplete&dltime=")) << events[3];
    EXPECT_TRUE(Contains(events[3], "&homepage=1&recinst=0")) << events[3];
    EXPECT_EQ(events[4], "clientstart");
}

// The retry on the second address; the installer already on disk without any download; an
// installer that registers nothing; both addresses failing.
TEST_F(InstallRunTest, RetryInstallerOnDiskUnregisteredProductAndFinalFailure) {
    std::vector<int> shown;
    Begin(Prepare("retry", "Retry"));
    ASSERT_TRUE(PollUntilSettled(shown).bInstallerExited);
    ASSERT_TRUE(m_run->FinishInstall());
    std::vector<std::string> events = Events(5);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[2], "downloadfailed&err=2");
    EXPECT_TRUE(Contains(LogText(), "下载失败，尝试 " + m_mgr->GetInstallUrl2() + " \n")) << LogText();
    EXPECT_EQ(events[3].substr(0, 16), "downloadcomplete");
    EXPECT_EQ(events[4].substr(0, 16), "installcomplete&");

    // The installer of the last run is still in that folder's Install folder (no client start).
    std::string strInstaller = m_run->GetInstallerPath();
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKavvikEntry);
    Prepare("unregistered", "Retry").SetInstallPath(GetParentFolder(GetParentFolder(strInstaller)));
    Begin(*m_run);
    shown.clear();
    ASSERT_TRUE(PollUntilSettled(shown).bInstallerExited);
    EXPECT_EQ(shown.front(), 95);
    ASSERT_TRUE(m_run->FinishInstall());
    // The user has unticked the client start.
    m_run->GetChoices().bRunAfterInstall = 0;
    m_run->StartClient();
    events = Events(4);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[1], "startdown");
    // The old installer registers the product again; the scenario's failing one never ran.
    EXPECT_EQ(events[2].substr(0, 25), "installcomplete&dltime=0&");
    EXPECT_EQ(events[3], "clientstartfail");
    for (const char* pszLine : {"State=3,runafterinstall=0\n", "OnCmdStart() StartClient=0 \n"})
        EXPECT_TRUE(Contains(LogText(), pszLine)) << pszLine << "\n---\n" << LogText();
    EXPECT_FALSE(Contains(Record(), "client\t")) << Record();
    EXPECT_FALSE(FileExists(strInstaller));

    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKavvikEntry);
    Begin(Prepare("unregistered", "Unregistered"));
    ASSERT_TRUE(PollUntilSettled(shown).bInstallerExited);
    ASSERT_TRUE(m_run->FinishInstall());
    m_run->StartClient();
    events = Events(5);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[3].substr(0, 19), "installcompletefail");
    EXPECT_EQ(events[4], "clientstartfail");

    Begin(Prepare("no-download", "Nothing"));
    CInstallRun::PollResult failed = PollUntilSettled(shown);
    ASSERT_TRUE(failed.bFailed);
    EXPECT_STREQ(failed.pszMessage, "连接失败，请稍后！");
    EXPECT_FALSE(m_run->Poll().bFailed);
    ::Sleep(500);
    EXPECT_EQ(Events(3), (std::vector<std::string>{"start", "startdown", "downloadfailed&err=2"}));
}

// The first address serves the installer with one byte changed after signing, and the Install
// folder holds a file an earlier run left that is no signed program: both are refused, deleted
// and never started; the second address installs. The recommended installers (another signer,
// unsigned, changed) are skipped. Then both addresses serve installers of no pinned signer.
TEST_F(InstallRunTest, OnlyTheMakersInstallersRun) {
    CInstallRun& run = Prepare("tampered", "Tampered");
    const std::string strInstaller = InstallerPathFor(run.GetInstallDir(), m_mgr->GetInstallUrl());
    ASSERT_TRUE(CreateDirectoryChain(GetParentFolder(strInstaller)));
    ASSERT_TRUE(WriteFileText(strInstaller, "MZ left by an earlier run"));
    Begin(run);
    std::vector<int> shown;
    ASSERT_TRUE(PollUntilSettled(shown).bInstallerExited);
    ASSERT_TRUE(run.FinishInstall());
    run.StartClient();
    std::vector<std::string> events = Events(6);
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events[0], "start");
    EXPECT_EQ(events[1], "startdown");
    EXPECT_EQ(events[2], "downloadfailed&err=7");
    EXPECT_EQ(events[3].substr(0, 24), "downloadcomplete&dltime=");
    EXPECT_EQ(events[4].substr(0, 16), "installcomplete&");
    EXPECT_EQ(events[5], "clientstart");
    std::string strLog = LogText();
    EXPECT_EQ(CountOccurrences(strLog, "CInstallerTrust::Check(" + strInstaller + ") 签名无效[0x"), 2u)
        << strLog;
    EXPECT_TRUE(Contains(strLog, "CInstallerTrust::Check(" + strInstaller + ") 签名无效[0x80096010]\n"))
        << strLog;
    EXPECT_TRUE(Contains(strLog, "下载失败，尝试 " + m_mgr->GetInstallUrl2() + " \n")) << strLog;

    for (int& bChosen : run.GetChoices().bRecommend) bChosen = 1;
    ASSERT_NE(run.StartRecommendThread(), nullptr);
    run.WaitForRecommended();
    for (const char* pszName : {"brelo.exe", "dunsa.exe", "gorlu.exe"}) {
        EXPECT_TRUE(Contains(LogText(), "CRecommendInstaller 跳过不可信的安装程序 " + TestServerBase() +
                                            "/dl1/business/" + pszName + "\n"))
            << LogText();
        EXPECT_FALSE(FileExists(GetParentFolder(strInstaller) + "\\" + pszName));
    }

    Begin(Prepare("untrusted", "Untrusted"));
    CInstallRun::PollResult failed = PollUntilSettled(shown);
    ASSERT_TRUE(failed.bFailed);
    EXPECT_STREQ(failed.pszMessage, "连接失败，请稍后！");
    ::Sleep(500);
    EXPECT_EQ(Events(3), (std::vector<std::string>{"start", "startdown", "downloadfailed&err=7"}));
    EXPECT_FALSE(FileExists(m_run->GetInstallerPath()));
    // Of all these installers only the second address's of the first run ever started.
    std::string strRecord = Record();
    EXPECT_EQ(CountOccurrences(strRecord, "setup\targs="), 1u) << strRecord;
    EXPECT_EQ(CountOccurrences(strRecord, "setup\tresult=0\t"), 1u) << strRecord;
    EXPECT_FALSE(Contains(strRecord, "recommend\t")) << strRecord;
}

// A downloaded installer that is no program: a failed install, reported and deleted, and the
// run ends with its message instead of waiting on the progress page.
TEST_F(InstallRunTest, InstallerThatCannotStartEndsTheRunAsAFailedInstall) {
    Begin(Prepare("not-a-program", "NoProgram"));
    std::vector<int> shown;
    CInstallRun::PollResult failed = PollUntilSettled(shown);
    ASSERT_TRUE(failed.bFailed);
    EXPECT_STREQ(failed.pszMessage, "安装失败。");
    EXPECT_FALSE(FileExists(m_run->GetInstallerPath()));
    EXPECT_FALSE(m_run->Poll().bFailed);
    EXPECT_TRUE(Contains(LogText(),
                         "COrvaneDlg::LaunchInstallProgram() path=" + m_run->GetInstallerPath() + "  Fail\n"))
        << LogText();
    std::vector<std::string> events = Events(4);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2].substr(0, 24), "downloadcomplete&dltime=");
    EXPECT_EQ(events[3].substr(0, 27), "installcompletefail&dltime=");
    EXPECT_TRUE(Contains(events[3], "&insttime=0&homepage=1&recinst=0")) << events[3];
    ::Sleep(500);
    EXPECT_EQ(Events(4).size(), 4u);
}

// The server names the client above the install folder (where such a program lies ready), the
// installer and a recommended product ".hta", and a recommended product on the disk. The
// installers are saved and started as programs under the default names, the file address is
// dropped, and the client start fails without starting anything. Then the client is named in
// the Install folder, where a partial download's bytes lie.
TEST_F(InstallRunTest, ServerFieldsNeverStartAProgramOutsideTheProduct) {
    CInstallRun& run = Prepare("hostile-fields", "Hostile");
    const std::string strFolder = run.GetInstallDir();
    ASSERT_TRUE(CreateDirectoryChain(m_dir.File("x")));
    const std::string strClient = TestBinBytes("OrvClient.exe");
    ASSERT_FALSE(strClient.empty());
    ASSERT_TRUE(WriteFileText(m_dir.File("x\\evil.exe"), strClient));
    EXPECT_EQ(0u, m_mgr->GetHomePageStatus());
    EXPECT_EQ("", m_mgr->GetProduct().homePageUrl);
    ASSERT_EQ(2u, m_mgr->GetRecommendCount());
    EXPECT_EQ(TestServerUrl("/dl1/business/brelo.exe"), m_mgr->GetRecommendUrl(0));
    Begin(run);
    std::vector<int> shown;
    ASSERT_TRUE(PollUntilSettled(shown).bInstallerExited);
    EXPECT_EQ(strFolder + "\\Install\\setup.exe", run.GetInstallerPath());
    ASSERT_TRUE(run.FinishInstall());
    run.StartClient();
    run.GetChoices().bRecommend[0] = run.GetChoices().bRecommend[1] = 1;
    ASSERT_NE(run.StartRecommendThread(), nullptr);
    run.WaitForRecommended();
    EXPECT_TRUE(WaitForRecord("recommend\tpath=" + strFolder + "\\Install\\brelo.exe\t")) << Record();
    EXPECT_TRUE(WaitForRecord("recommend\tpath=" + strFolder + "\\Install\\recommend1.exe\t")) << Record();
    std::vector<std::string> events = Events(5);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[3].substr(0, 16), "installcomplete&");
    EXPECT_EQ(events[4], "clientstartfail");
    std::string strLog = LogText();
    for (const char* pszLine :
         {"ServerField(execute) 拒绝 [..\\..\\x\\evil.exe]\n",
          "ServerField(installer file name) 拒绝 [kavvik_setup.hta]\n",
          "ServerField(installer file name) 拒绝 [dunsa.hta]\n",
          "ServerField(recommendsetup url) 拒绝 [file:///C:/windows/system32/notepad.exe]\n",
          "ServerField(homePage url) 拒绝 [file:///C:/windows/system32/notepad.exe]\n",
          "OnCmdStart() StartClient=0 \n"})
        EXPECT_TRUE(Contains(strLog, pszLine)) << pszLine << "\n---\n" << strLog;
    EXPECT_FALSE(Contains(strLog, "LaunchKavvik")) << strLog;

    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKavvikEntry);
    Begin(Prepare("client-in-install", "Partial"));
    ASSERT_TRUE(PollUntilSettled(shown).bInstallerExited);
    ASSERT_TRUE(m_run->FinishInstall());
    ASSERT_TRUE(WriteFileText(m_run->GetInstallerPath() + ".kvd", strClient));
    m_run->StartClient();
    events = Events(5);
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[4], "clientstartfail");
    EXPECT_TRUE(Contains(LogText(), "ServerField(execute) 拒绝 [Install\\kavvik_setup.exe.kvd]\n"))
        << LogText();
    ::Sleep(500);
    EXPECT_FALSE(Contains(Record(), "client\t")) << Record();
}
