#include "ProgramLaunch.h"

#include <gtest/gtest.h>

#include <string>

#include "Handles.h"
#include "HeldInstaller.h"
#include "InstallerPaths.h"
#include "Path.h"
#include "ProductTable.h"
#include "StandinSupport.h"
#include "TestSupport.h"

namespace {

void DeleteUninstallEntry(const std::string& strName) {
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                    ("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + strName).c_str());
}

}  // namespace

// A real silent install into a folder with blanks (the folder reaches the installer whole,
// after "/D="), then the registry check the main dialog makes.
TEST(ProgramLaunch, InstallerRunsSilentlyAndTheProductCheckFindsItsEntry) {
    CTempDir dir;
    CStandinRecord record(dir);
    std::string strFolder = dir.Path() + "Program Files\\Nalvo";
    std::string strInstaller = InstallerPathFor(strFolder, "http://h/dl/nalvo%20setup.exe");
    ASSERT_TRUE(CreateDirectoryChain(InstallerFolderFor(strFolder)));
    ASSERT_TRUE(WriteFileText(strInstaller, ComposeProductSetup("Nalvo视频社区", "flowtest")));
    DeleteUninstallEntry("Nalvo视频社区-flowtest");
    EXPECT_FALSE(CheckProductInstalled(3));

    // Composed here and not signed: held without a signature check.
    CHeldInstaller installer(strInstaller);
    ASSERT_TRUE(installer.HoldTrusted(CInstallerTrust("")));
    CHandle hProcess(LaunchInstallProgram(installer, BuildInstallerParameters(true, "c3Vt", strFolder)));
    EXPECT_FALSE(installer.IsHeld());
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
    DeleteUninstallEntry("Nalvo视频社区-flowtest");
    EXPECT_FALSE(CheckProductInstalled(3));
}

// The client's record line: started through the desktop's shell, the client has the shell's
// environment, which may name no record or another test's, so its line is also beside it.
std::string WaitForClientLine(const CStandinRecord& record, const std::string& strFolder) {
    for (int i = 0; i < 200; ++i) {
        std::string strText = record.Text() + ReadFileText(strFolder + "\\standins.log");
        size_t nAt = strText.find("client\t");
        if (nAt != std::string::npos)
            return strText.substr(nAt, strText.find('\n', nAt) - nAt);
        ::Sleep(100);
    }
    return std::string();
}

// "C:\...\Program Files\Kavvik\Kavvik.exe" unquoted would start "C:\...\Program.exe" first.
TEST(ProgramLaunch, ClientStartsByItsFullPathInItsOwnFolder) {
    CTempDir dir;
    CStandinRecord record(dir);
    std::string strFolder = dir.Path() + "Program Files\\Kavvik";
    ASSERT_TRUE(CreateDirectoryChain(strFolder));
    ASSERT_TRUE(::CopyFileA((TestBinFolder() + "OrvClient.exe").c_str(), (strFolder + "\\Kavvik.exe").c_str(),
                            FALSE));
    ASSERT_TRUE(::CopyFileA((TestBinFolder() + "OrvRecommendSetup.exe").c_str(),
                            dir.File("Program.exe").c_str(), FALSE));

    EXPECT_TRUE(LaunchKavvik(strFolder, "Kavvik.exe"));
    EXPECT_EQ(WaitForClientLine(record, strFolder),
              "client\tcmdline=\"" + strFolder + "\\Kavvik.exe\"\tcwd=" + strFolder);
    ::Sleep(300);
    EXPECT_EQ(record.Text().find("recommend\t"), std::string::npos) << record.Text();
    EXPECT_FALSE(LaunchKavvik(strFolder, "Missing.exe"));
}
