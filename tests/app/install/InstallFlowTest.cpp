#include "InstallFlow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "InstallPathRules.h"
#include "Path.h"
#include "RecommendInstaller.h"
#include "RefServerControl.h"
#include "ServiceClient.h"
#include "TestSupport.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The stand-ins write their records to one file per test, named through the environment
// that started processes inherit.
class CStandinRecord {
public:
    explicit CStandinRecord(const CTempDir& dir) : m_strPath(dir.File("record.txt")) {
        ::SetEnvironmentVariableA("ORVANE_STANDIN_RECORD", m_strPath.c_str());
    }
    ~CStandinRecord() { ::SetEnvironmentVariableA("ORVANE_STANDIN_RECORD", nullptr); }
    std::string Text() const { return ReadFileText(m_strPath); }
    // Waits for a line beginning with strPrefix; stand-ins run beside the test.
    bool WaitFor(const std::string& strPrefix, int nTimeoutMs = 20000) const {
        for (int nWaited = 0; nWaited < nTimeoutMs; nWaited += 50) {
            if (("\n" + Text()).find("\n" + strPrefix) != std::string::npos)
                return true;
            ::Sleep(50);
        }
        return false;
    }

private:
    std::string m_strPath;
};

std::string BinFile(const char* pszName) {
    std::vector<uint8_t> bytes;
    ReadFileBytes(TestBinFolder() + pszName, bytes);
    return std::string(bytes.begin(), bytes.end());
}

// The product installer stand-in carrying what it installs (layout in OrvProductSetup.cpp).
std::string ComposeProductSetup(const std::string& strName, const std::string& strVersion) {
    std::string strStub = BinFile("OrvProductSetup.exe");
    std::string strOverlay =
        "set name=" + strName + "\nset version=" + strVersion + "\nset icon=product.ico\n";
    std::string strClient = BinFile("OrvClient.exe");
    strOverlay += "file Kavvik.exe " + std::to_string(strClient.size()) + "\n" + strClient;
    strOverlay += "file product.ico 4\nicon";
    std::string strTrailer = "ORVSTAND";
    for (int i = 0; i < 8; ++i) strTrailer += static_cast<char>((strStub.size() >> (8 * i)) & 0xFF);
    return strStub + strOverlay + strTrailer;
}

void DeleteUninstallEntry(const std::string& strName) {
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + strName).c_str());
}

}  // namespace

TEST(InstallFlow, ProgressSlidesAndDownloadFailures) {
    const int kPercents[][2] = {{0, 0},   {10, 19},  {20, 38},  {21, 38},
                                {60, 66}, {100, 95}, {150, 95}, {-5, 0}};
    for (const auto& pair : kPercents) EXPECT_EQ(MapDownloadProgress(pair[0]), pair[1]) << pair[0];
    const DWORD kElapsed[][2] = {{0, 95}, {999, 95}, {1000, 96}, {3999, 98}, {4000, 99}, {600000, 99}};
    for (const auto& pair : kElapsed)
        EXPECT_EQ(InstallPhaseProgress(pair[0]), static_cast<int>(pair[1])) << pair[0];

    std::vector<int> shown;
    for (int i = 0, nCur = 0; i < 5; ++i) shown.push_back(nCur = NextSlideIndex(nCur, 3));
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 1, 2, 1}));
    EXPECT_EQ(NextSlideIndex(0, 1), 0);
    EXPECT_EQ(NextSlideIndex(2, 0), 2);

    // One retry on the second address, for timed-out and failed downloads only.
    EXPECT_TRUE(DecideDownloadFailure(1, 1).bRetry);
    EXPECT_TRUE(DecideDownloadFailure(1, 2).bRetry);
    DownloadFailureDecision disk = DecideDownloadFailure(1, 3);
    EXPECT_FALSE(disk.bRetry);
    EXPECT_STREQ(disk.pszMessage, "请检查磁盘空间！");
    EXPECT_STREQ(DecideDownloadFailure(2, 1).pszMessage, "连接失败，请稍后重试！");
    EXPECT_STREQ(DecideDownloadFailure(2, 2).pszMessage, "连接失败，请稍后！");
    DownloadFailureDecision stopped = DecideDownloadFailure(1, 5);
    EXPECT_FALSE(stopped.bRetry);
    EXPECT_EQ(stopped.pszMessage, nullptr);
}

TEST(InstallFlow, BackgroundSliceAndTitleBand) {
    ImageEntry background;
    background.x = 10;
    background.cx = 1200;
    background.cy = 800;
    ImageEntry slice;
    ASSERT_TRUE(ComputeBackgroundSlice(RECT{300, 200, 600, 400}, 600, 400, background, slice));
    EXPECT_EQ((std::vector<int>{slice.x, slice.y, slice.cx, slice.cy}),
              (std::vector<int>{610, 400, 600, 400}));
    ASSERT_TRUE(ComputeBackgroundSlice(RECT{0, 0, 600, 400}, 600, 400, background, slice));
    EXPECT_EQ((std::vector<int>{slice.x, slice.y, slice.cx, slice.cy}), (std::vector<int>{10, 0, 1200, 800}));
    EXPECT_FALSE(ComputeBackgroundSlice(RECT{0, 0, 600, 400}, 0, 400, background, slice));
    EXPECT_TRUE(IsInTitleBand(0));
    EXPECT_TRUE(IsInTitleBand(70));
    EXPECT_FALSE(IsInTitleBand(71));
    EXPECT_FALSE(IsInTitleBand(-1));
}

TEST(InstallFlow, FileNamesFromAddressesNeverLeaveTheInstallFolder) {
    const char* kCases[][2] = {
        {"http://h/dl/kavvik_setup.exe", "kavvik_setup.exe"},
        {"http://h/dl/a.exe?x=/y/z.exe#frag", "a.exe"},
        {"http://h/dl/my%20setup.exe", "my setup.exe"},
        {"http://h/dl/a%2525.exe", "a%25.exe"},  // decoded once only
        {"http://h/dl/", "setup.exe"},
        {"http://h/dl/..", "setup.exe"},
        {"http://h/dl/%2e%2e", "setup.exe"},
        {"http://h/dl/..%5c..%5cevil.exe", "setup.exe"},
        {"http://h/dl\\..\\..\\evil.exe", "setup.exe"},
        {"http://h/dl/c:evil.exe", "setup.exe"},
        {"http://h/dl/a%2fb.exe", "setup.exe"},
        {"http://h/dl/a%00b.exe", "setup.exe"},
        {"http://h/dl/con.exe", "setup.exe"},
        {"http://h/dl/a<b>.exe", "setup.exe"},
        // A double-byte character whose second byte is 0x5C is a name, not a separator.
        {"http://h/dl/%D7%5C.exe", "\xD7\x5C.exe"},
    };
    for (const auto& item : kCases) EXPECT_EQ(SafeFileNameFromUrl(item[0]), item[1]) << item[0];
    EXPECT_EQ(SafeFileNameFromUrl("http://h/", "recommend1.exe"), "recommend1.exe");
    EXPECT_EQ(InstallerPathFor("C:\\Program Files\\Kavvik", "http://h/..%5cx.exe"),
              "C:\\Program Files\\Kavvik\\Install\\setup.exe");
    EXPECT_EQ(InstallerPathFor("D:\\K\\", "http://h/a/k.exe"), "D:\\K\\Install\\k.exe");
}

TEST(InstallFlow, FoldersParametersAndProductNames) {
    EXPECT_EQ(DefaultInstallFolder('D', "Kavvik"), "D:\\Program Files\\Kavvik");
    // The folder stays unquoted and last, blanks and all.
    EXPECT_EQ(BuildInstallerParameters(false, "cmVjX2lk", "C:\\Program Files\\Kavvik"),
              "/S /AUTOSTART=FALSE /COMMENDER_ID=cmVjX2lk /D=C:\\Program Files\\Kavvik");
    EXPECT_EQ(BuildInstallerParameters(true, "", "D:\\K"), "/S /AUTOSTART=TRUE /COMMENDER_ID= /D=D:\\K");
    EXPECT_EQ(ProductRegistryName(8), "Kavvik");
    EXPECT_EQ(ProductRegistryName(3), "Nalvo视频社区");
    EXPECT_EQ(ProductRegistryName(1), "Brelo视频社区");
    EXPECT_EQ(ProductRegistryName(0), "");
    EXPECT_EQ(ProductRegistryName(9), "");
    const int kChoices[3] = {1, 0, 1};
    EXPECT_EQ(RecommendBits(kChoices), 5);
}

TEST(InstallPathRules, DriveProposalFolderRulesAndFreeSpace) {
    const uint64_t kGB = 1000000000ull;
    EXPECT_EQ(ProposeDriveLetter({{'C', true, 10 * kGB}, {'D', true, 50 * kGB}, {'E', true, 50 * kGB}}), 'D');
    EXPECT_EQ(ProposeDriveLetter({{'D', false, 90 * kGB}, {'E', true, 0}}), 'C');
    EXPECT_EQ(ProposeDriveLetter({}), 'C');
    EXPECT_EQ(ProposedInstallFolder("E:\\Old\\Kavvik", "Kavvik"), "E:\\Old\\Kavvik");
    std::string strProposed = ProposedInstallFolder("", "Kavvik");
    EXPECT_EQ(strProposed.substr(1), ":\\Program Files\\Kavvik");

    EXPECT_EQ(CompleteInstallFolder("D:", "Kavvik"), "D:\\Kavvik");
    EXPECT_EQ(CompleteInstallFolder("D:\\", "Kavvik"), "D:\\Kavvik");
    EXPECT_EQ(CompleteInstallFolder("D:\\Apps", "Kavvik"), "D:\\Apps");
    EXPECT_EQ(CompleteBrowsedFolder("E:\\Games", "Kavvik"), "E:\\Games\\Kavvik");
    EXPECT_EQ(CompleteBrowsedFolder("E:\\Games\\KAVVIK", "Kavvik"), "E:\\Games\\KAVVIK");
    EXPECT_EQ(CompleteBrowsedFolder("E:\\", "Kavvik"), "E:\\Kavvik");
    EXPECT_EQ(CompleteBrowsedFolder("", "Kavvik"), "");
    EXPECT_EQ(BrowseTitle("Kavvik-3.2.1"), "选择要安装 Kavvik-3.2.1 的文件夹位置：");

    EXPECT_TRUE(HasEnoughFreeSpace(209715200));
    EXPECT_FALSE(HasEnoughFreeSpace(209715199));
    EXPECT_GT(GetFolderFreeBytes(TestBinFolder()), 0u);
    EXPECT_EQ(GetFolderFreeBytes("Q:\\no such volume\\"), 0u);
    // A box that could not be shown answers 8: no question loops on it.
    EXPECT_EQ(FreeSpaceAnswerStep(kAnswerOk), FreeSpaceStep::kCheckAgain);
    EXPECT_EQ(FreeSpaceAnswerStep(kAnswerCancel), FreeSpaceStep::kBrowse);
    EXPECT_EQ(FreeSpaceAnswerStep(kAnswerClose), FreeSpaceStep::kStay);
    EXPECT_EQ(RunningClientAnswerStep(kAnswerCancel), RunningClientStep::kCloseClient);
    EXPECT_EQ(RunningClientAnswerStep(kAnswerClose), RunningClientStep::kStay);

    EXPECT_FALSE(IsPinOptionShown(6, 0));
    EXPECT_TRUE(IsPinOptionShown(6, 1));
    EXPECT_FALSE(IsPinOptionShown(5, 1));
    InstallPathLayout shown = ComputeInstallPathLayout(true);
    EXPECT_EQ((std::vector<LONG>{shown.rcBootBox.top, shown.rcPinBox.top, shown.rcStartBox.top,
                                 shown.rcReminderBox.top, shown.rcFolder.top, shown.rcFolder.bottom}),
              (std::vector<LONG>{90, 124, 158, 192, 228, 251}));
    InstallPathLayout hidden = ComputeInstallPathLayout(false);
    EXPECT_EQ((std::vector<LONG>{hidden.rcBootBox.top, hidden.rcPinBox.bottom, hidden.rcStartBox.top,
                                 hidden.rcReminderBox.top, hidden.rcBrowse.left, hidden.rcBrowse.top}),
              (std::vector<LONG>{100, 0, 134, 168, 386, 204}));
    RECT rcLabel = LabelBesideBox(shown.rcBootBox, 48);
    EXPECT_EQ((std::vector<LONG>{rcLabel.left, rcLabel.top, rcLabel.right, rcLabel.bottom}),
              (std::vector<LONG>{208, 90, 256, 106}));
}

// A real silent install into a folder with blanks, then the registry check the main dialog
// makes; ids outside the table never count as installed.
TEST(InstallFlow, InstallerRunsSilentlyAndTheProductCheckFindsItsEntry) {
    CTempDir dir;
    CStandinRecord record(dir);
    std::string strFolder = dir.Path() + "Program Files\\Nalvo";
    std::string strInstaller = InstallerPathFor(strFolder, "http://h/dl/nalvo%20setup.exe");
    ASSERT_TRUE(CreateDirectoryChain(InstallerFolderFor(strFolder)));
    ASSERT_TRUE(WriteFileText(strInstaller, ComposeProductSetup("Nalvo视频社区", "flowtest")));
    DeleteUninstallEntry("Nalvo视频社区-flowtest");
    EXPECT_FALSE(CheckProductInstalled(3));

    CHandle hProcess(LaunchInstallProgram(strInstaller, BuildInstallerParameters(true, "c3Vt", strFolder)));
    ASSERT_TRUE(hProcess.IsValid());
    ASSERT_EQ(::WaitForSingleObject(hProcess.Get(), 30000), WAIT_OBJECT_0);
    DWORD dwExit = 99;
    ::GetExitCodeProcess(hProcess.Get(), &dwExit);
    EXPECT_EQ(dwExit, 0u) << record.Text();
    EXPECT_NE(
        record.Text().find("setup\tsilent=1\tautostart=TRUE\tcommender=c3Vt\tfolder=" + strFolder + "\n"),
        std::string::npos)
        << record.Text();
    EXPECT_TRUE(FileExists(strFolder + "\\Kavvik.exe"));
    EXPECT_TRUE(CheckProductInstalled(3));
    EXPECT_FALSE(CheckProductInstalled(0));
    EXPECT_FALSE(CheckProductInstalled(9));
    DeleteUninstallEntry("Nalvo视频社区-flowtest");
    EXPECT_FALSE(CheckProductInstalled(3));
}

TEST(InstallFlow, EarlierInstallFolderFromTheUninstallEntryOrTheAppPath) {
    const std::string strAppPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OrvFlowTest.exe";
    const std::string strEntry = "OrvFlowTest-1.0";
    EXPECT_EQ(FindEarlierInstallFolder(strEntry, "OrvFlowTest"), "");
    CRegKey hApp;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, strAppPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, hApp.Receive(), nullptr),
              ERROR_SUCCESS);
    const char kValue[] = "D:/Apps/Orv Flow";
    ::RegSetValueExA(hApp.Get(), "KavvikPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(kValue),
                     sizeof(kValue));
    EXPECT_EQ(FindEarlierInstallFolder(strEntry, "OrvFlowTest"), "D:\\Apps\\Orv Flow");
    CRegKey hEntry;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kUninstallKey + strEntry).c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, hEntry.Receive(), nullptr),
              ERROR_SUCCESS);
    // The icon file is gone: the folder still counts as the earlier install's.
    const char kUninstall[] = "E:\\Old/Orv\\uninst.exe";
    ::RegSetValueExA(hEntry.Get(), "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(kUninstall),
                     sizeof(kUninstall));
    EXPECT_EQ(FindEarlierInstallFolder(strEntry, "OrvFlowTest"), "E:\\Old\\Orv");
    hApp.Close();
    hEntry.Close();
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, strAppPath.c_str());
    DeleteUninstallEntry(strEntry);
}

// "C:\...\Program Files\Kavvik\Kavvik.exe" unquoted would start "C:\...\Program.exe" first.
TEST(InstallFlow, ClientStartsByItsFullPathInItsOwnFolder) {
    CTempDir dir;
    CStandinRecord record(dir);
    std::string strFolder = dir.Path() + "Program Files\\Kavvik";
    ASSERT_TRUE(CreateDirectoryChain(strFolder));
    ASSERT_TRUE(::CopyFileA((TestBinFolder() + "OrvClient.exe").c_str(), (strFolder + "\\Kavvik.exe").c_str(),
                            FALSE));
    ASSERT_TRUE(::CopyFileA((TestBinFolder() + "OrvRecommendSetup.exe").c_str(),
                            dir.File("Program.exe").c_str(), FALSE));

    EXPECT_TRUE(LaunchKavvik(strFolder, "Kavvik.exe"));
    ASSERT_TRUE(record.WaitFor("client\t"));
    EXPECT_NE(record.Text().find("\tcwd=" + strFolder + "\n"), std::string::npos) << record.Text();
    EXPECT_NE(record.Text().find("cmdline=\"" + strFolder + "\\Kavvik.exe\"\t"), std::string::npos)
        << record.Text();
    ::Sleep(300);
    EXPECT_EQ(record.Text().find("recommend\t"), std::string::npos) << record.Text();
    EXPECT_FALSE(LaunchKavvik(strFolder, "Missing.exe"));
}

TEST(InstallFlow, ServiceProgramAndLibraryGetTheSubscriptionChoice) {
    CTempDir dir;
    CStandinRecord record(dir);
    std::string strFolder = dir.Path() + "Program Files\\Kavvik";
    ASSERT_TRUE(CreateDirectoryChain(strFolder));
    for (const char* pszName : {"Corvendil.exe", "Corvendil.dll"})
        ASSERT_TRUE(
            ::CopyFileA((TestBinFolder() + pszName).c_str(), (strFolder + "\\" + pszName).c_str(), FALSE));

    ReportSubscription(strFolder, true, 8);
    EXPECT_TRUE(record.WaitFor("service\targs=-i\t")) << record.Text();
    EXPECT_TRUE(record.WaitFor("library\tReptQuasolSubscibe\t1\t1\t8\t0\n")) << record.Text();
    ReportSubscription(strFolder, false, 8);
    EXPECT_TRUE(record.WaitFor("library\tReptQuasolSubscibe\t1\t2\t8\t0\n")) << record.Text();
    ::Sleep(300);
    std::string strText = record.Text();
    EXPECT_EQ(strText.find("service"), strText.rfind("service")) << "the program ran for the unsubscription";

    // Nothing there: nothing called, nothing started, no crash.
    ReportSubscription(dir.Path() + "none", true, 8);
    ReportSubscription(dir.Path() + "none", false, 8);
    EXPECT_EQ(record.Text(), strText);
}

TEST(InstallFlow, RecommendedWorkerInstallsOnlyTheChosenProducts) {
    CTempDir dir;
    CStandinRecord record(dir);
    std::string strStub = BinFile("OrvRecommendSetup.exe");
    std::string strUrlA = PutServedFile("rec/brelo.exe", strStub);
    std::string strUrlB = PutServedFile("rec/dunsa.exe", strStub);
    ASSERT_FALSE(strUrlA.empty());
    std::string strFolder = dir.Path() + "Program Files\\Kavvik";
    const int kChosen[3] = {1, 0, 1};
    CRecommendInstaller worker(strFolder, {strUrlA + "?from=x", strUrlB, TestServerUrl("/rec/missing.exe")},
                               kChosen);
    ASSERT_NE(worker.Start(), nullptr);
    ASSERT_TRUE(worker.WaitFor(60000));
    worker.CloseThreadHandle();

    EXPECT_TRUE(record.WaitFor("recommend\tpath=" + strFolder + "\\Install\\brelo.exe\t")) << record.Text();
    EXPECT_FALSE(FileExists(strFolder + "\\Install\\dunsa.exe"));
    EXPECT_FALSE(FileExists(strFolder + "\\Install\\missing.exe"));
    ::Sleep(300);
    std::string strText = record.Text();
    EXPECT_EQ(strText.find("recommend"), strText.rfind("recommend")) << strText;
    EXPECT_EQ(worker.TargetFor(1), strFolder + "\\Install\\dunsa.exe");
    CRecommendInstaller unnamed(strFolder, {"http://h/", "http://h/"}, kChosen);
    EXPECT_NE(unnamed.TargetFor(0), unnamed.TargetFor(1));
}
