#include "ServiceClient.h"

#include <gtest/gtest.h>

#include <string>

#include "Path.h"
#include "StandinSupport.h"
#include "TestSupport.h"

TEST(ServiceClient, ServiceProgramAndLibraryGetTheSubscriptionChoice) {
    CTempDir dir;
    CStandinRecord record(dir);
    std::string strFolder = dir.Path() + "Program Files\\Kavvik";
    ASSERT_TRUE(CreateDirectoryChain(strFolder));
    for (const char* pszName : {"Corvendil.exe", "Corvendil.dll"})
        ASSERT_TRUE(
            ::CopyFileA((TestBinFolder() + pszName).c_str(), (strFolder + "\\" + pszName).c_str(), FALSE));

    CLogCapture log;
    ReportSubscription(strFolder, true, 8);
    EXPECT_TRUE(record.WaitFor("service\targs=-i\t")) << record.Text();
    EXPECT_TRUE(record.WaitFor("library\tReptQuasolSubscibe\t1\t1\t8\t0\n")) << record.Text();
    ReportSubscription(strFolder, false, 8);
    EXPECT_TRUE(record.WaitFor("library\tReptQuasolSubscibe\t1\t2\t8\t0\n")) << record.Text();
    ::Sleep(300);
    std::string strText = record.Text();
    EXPECT_EQ(strText.find("service"), strText.rfind("service")) << "the program ran for the unsubscription";
    // The service program is started before the subscription is reported.
    std::string strLog = log.Text();
    EXPECT_EQ(strLog, "ExecApp \"" + strFolder +
                          "\\Corvendil.exe\" -i [1]\r\n"
                          "OnBnClickedStartBtn 上报订阅资讯行为\r\n"
                          "OnBnClickedStartBtn 上报取消订阅资讯行为\r\n");

    // Nothing there: nothing called, nothing started, no crash.
    ReportSubscription(dir.Path() + "none", true, 8);
    ReportSubscription(dir.Path() + "none", false, 8);
    EXPECT_EQ(record.Text(), strText);
    EXPECT_EQ(log.Text(), strLog + "ExecApp " + dir.Path() + "none\\Corvendil.exe -i [0]\r\n");
}
