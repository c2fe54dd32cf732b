// Another local program races the installer between its check and its start.
#include "HeldInstaller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "Path.h"
#include "StandinSupport.h"
#include "TestSupport.h"

// While the checked installer is held, the racer can neither rename it away and plant its
// own program, nor write over it, nor delete it; the maker's program is what starts. Once it
// is let go the same racer does all three, so nothing but the hold stopped it.
TEST(HeldInstaller, NoOtherProgramCanSwapTheInstallerBetweenCheckAndStart) {
    CTempDir dir;
    CStandinRecord record(dir);
    const std::string strInstaller = dir.File("Install\\brelo setup.exe");
    ASSERT_TRUE(CreateDirectoryChain(GetParentFolder(strInstaller)));
    std::string strSigned = TestBinBytes("OrvRecommendSetup.exe");
    ASSERT_TRUE(WriteFileText(strInstaller, strSigned));
    const std::string strRacer = "\"" + TestBinFolder() + "OrvRacer.exe\" \"" + strInstaller + "\"";

    CHeldInstaller installer(strInstaller);
    ASSERT_TRUE(installer.HoldTrusted());
    EXPECT_EQ(RunProgram(strRacer, 30000), 0);
    CHandle hProcess(installer.Start(""));
    EXPECT_FALSE(installer.IsHeld());
    ASSERT_TRUE(hProcess.IsValid());
    ASSERT_EQ(::WaitForSingleObject(hProcess.Get(), 30000), WAIT_OBJECT_0);
    EXPECT_TRUE(record.WaitFor("recommend\tpath=" + strInstaller + "\t")) << record.Text();
    EXPECT_EQ(ReadFileText(strInstaller), strSigned);
    EXPECT_FALSE(FileExists(strInstaller + ".away"));

    EXPECT_EQ(RunProgram(strRacer, 30000), 1 | 2 | 4);
    EXPECT_FALSE(FileExists(strInstaller));
    EXPECT_EQ(ReadFileText(strInstaller + ".away"), strSigned);
    EXPECT_EQ(installer.Start(""), nullptr);
}
