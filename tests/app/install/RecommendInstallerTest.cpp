#include "RecommendInstaller.h"

#include <gtest/gtest.h>

#include <string>

#include "RefServerControl.h"
#include "StandinSupport.h"
#include "TestSupport.h"

TEST(RecommendInstaller, RecommendedWorkerInstallsOnlyTheChosenProducts) {
    CTempDir dir;
    CStandinRecord record(dir);
    std::string strStub = TestBinBytes("OrvRecommendSetup.exe");
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
