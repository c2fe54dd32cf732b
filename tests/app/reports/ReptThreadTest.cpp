#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Log.h"
#include "MakerServer.h"
#include "ReportAddress.h"
#include "ReptThread.h"
#include "TestSupport.h"

namespace {

// The address of a statistics request and what the server sees of it (path and query).
struct StatsAddress {
    std::string strUrl;
    std::string strTarget;
};

StatsAddress MakeStats(const std::string& strTarget) {
    return {TestServerUrl(strTarget), strTarget};
}

class ReptThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServerBase().empty());
        ClearMakerFiles();
    }
    void TearDown() override {
        m_thread.Stop();
        m_thread.WaitFor(-1);
        ClearMakerFiles();
    }
    CReptThread m_thread;
};

// Holds its first report until the thread is told to stop, so the rest wait in the queue.
class CHeldReptThread : public CReptThread {
protected:
    SendOutcome SendRept(const std::string& strAddress) override {
        if (!m_bHeldOne) {
            m_bHeldOne = true;
            while (!IsStopped()) ::Sleep(5);
        }
        return CReptThread::SendRept(strAddress);
    }

private:
    bool m_bHeldOne = false;
};

}  // namespace

TEST(ReportAddressTest, QueryIsBuiltByteForByte) {
    ReportFields fields;
    fields.rept.url = "http://s/stat/x/";
    fields.rept.productName = "Kavvik";
    fields.rept.version = "3.2";
    fields.promotion.recType = 255;
    fields.promotion.recId = 12345678901LL;
    fields.promotion.recAd = -2;
    fields.promotion.fromUrl = "http://a.cn/b c?d=中";
    fields.promotion.webId = "w7";
    fields.oemId = 4294967295u;
    EXPECT_EQ(
        "http://s/stat/x/start?dlver=G1.0.0&pname=Kavvik&pver=3.2&cmdtype=255&cmdid=12345678901&ad=-2"
        "&oemid=-1&fromurl=http://a.cn/b+c%3Fd%3D%D6%D0&webid=w7",
        BuildReportAddress(fields, "start", ""));
    EXPECT_EQ(
        "http://s/stat/x/downloadfailed?dlver=G1.0.0&pname=Kavvik&pver=3.2&cmdtype=255&cmdid=12345678901"
        "&ad=-2&oemid=-1&fromurl=http://a.cn/b+c%3Fd%3D%D6%D0&webid=w7&err=5",
        BuildReportAddress(fields, "downloadfailed", "&err=5"));

    // Bytes that would break the request line are escaped; everything else stays raw.
    EXPECT_EQ("%01%20%7F%23%&+=?中", EscapeRequestLineBytes("\x01 \x7F#%&+=?中"));
    fields.rept.productName = "酷播 影音";
    fields.rept.version = "1\t2";
    fields.promotion.webId = "a#b\r\n";
    fields.promotion.fromUrl.clear();
    EXPECT_EQ(
        std::string("/startdown?dlver=G1.0.0&pname=酷播%20影音&pver=1%092&cmdtype=255&cmdid=12345678901") +
            "&ad=-2&oemid=-1&fromurl=&webid=a%23b%0D%0A",
        BuildReportAddress(fields, "startdown", "").substr(std::string("http://s/stat/x").size()));
    std::string strLong(100000, 'p');
    fields.rept.productName = strLong;
    EXPECT_NE(std::string::npos, BuildReportAddress(fields, "start", "&dltime=1").find(strLong + "&pver="));
}

TEST_F(ReptThreadTest, ReportsArriveInOrderWithTheirBytesIntact) {
    std::vector<StatsAddress> reports = {
        MakeStats("/stat/a/start?dlver=G1.0.0&pname=p&n=1"),
        MakeStats("/stat/a/startdown?dlver=G1.0.0&pname=酷播%20影音&webid=a%23b&n=2"),
        MakeStats("/stat/a/clientstart?dlver=G1.0.0&fromurl=http://a+b%D6%D0&n=3"),
    };
    for (const auto& report : reports) m_thread.AddRept(report.strUrl);
    m_thread.Start();
    ASSERT_TRUE(WaitForMakerRecord("maker-stats.log", 3, 20000));
    std::vector<std::string> lines = MakerRecord("maker-stats.log");
    ASSERT_EQ(3u, lines.size());
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(reports[i].strTarget, lines[i]);
}

TEST_F(ReptThreadTest, PassingFailureIsRetriedAtTheHeadAndHoldsBackTheNext) {
    for (const char* pszStatus : {"503", "408", "429"}) {
        ClearMakerFiles();
        ASSERT_TRUE(PutMakerFile("maker-stats.fail", std::string(pszStatus) + " 3"));
        StatsAddress first = MakeStats(std::string("/stat/r/start?s=") + pszStatus);
        StatsAddress second = MakeStats(std::string("/stat/r/startdown?s=") + pszStatus);
        CReptThread thread;
        thread.AddRept(first.strUrl);
        thread.AddRept(second.strUrl);
        thread.Start();
        ASSERT_TRUE(WaitForMakerRecord("maker-stats.log", 5, 20000)) << pszStatus;
        ::Sleep(200);
        // Two tries per attempt: failure, failure, pause, failure, 200; only then the second.
        EXPECT_EQ((std::vector<std::string>{first.strTarget, first.strTarget, first.strTarget,
                                            first.strTarget, second.strTarget}),
                  MakerRecord("maker-stats.log"))
            << pszStatus;
        EXPECT_EQ(0u, thread.GetQueueLength());
        thread.Stop();
        thread.WaitFor(-1);
    }
}

TEST_F(ReptThreadTest, ClientErrorGetsItsSecondRequestAndOnlyThenIsDropped) {
    CTempDir dir;
    SetLogFile(dir.File("rept.log").c_str());
    SetLogFlags(LOG_FILE);
    // 404 for the first report's two requests and for the first request of the next one.
    ASSERT_TRUE(PutMakerFile("maker-stats.fail", "404 3"));
    StatsAddress refused = MakeStats("/stat/d/start?n=1");
    StatsAddress once = MakeStats("/stat/d/startdown?n=2");
    StatsAddress last = MakeStats("/stat/d/clientstart?n=3");
    const std::string strBadAddress = "start?dlver=G1.0.0&pname=";  // rejected by the client (-3)
    m_thread.AddRept(refused.strUrl);
    m_thread.AddRept(strBadAddress);
    m_thread.AddRept("");
    // CR LF from a hostile setup document would inject a header: refused before sending (-3).
    m_thread.AddRept(once.strUrl + "&x\r\nX-Injected: yes");
    m_thread.AddRept(once.strUrl);
    m_thread.AddRept(last.strUrl);
    m_thread.Start();
    ASSERT_TRUE(WaitForMakerRecord("maker-stats.log", 5, 20000));
    ::Sleep(200);
    EXPECT_EQ((std::vector<std::string>{refused.strTarget, refused.strTarget, once.strTarget, once.strTarget,
                                        last.strTarget}),
              MakerRecord("maker-stats.log"));
    EXPECT_EQ(0u, m_thread.GetQueueLength());
    std::string strLog = ReadFileText(dir.File("rept.log"));
    EXPECT_NE(strLog.find("Rept " + refused.strUrl + " dropped: it cannot succeed [-5, 404]"),
              std::string::npos)
        << strLog;
    EXPECT_NE(strLog.find("Rept " + strBadAddress + " dropped: it cannot succeed [-3, "), std::string::npos)
        << strLog;
    EXPECT_EQ(strLog.find("Rept " + once.strUrl + " dropped"), std::string::npos) << strLog;
    SetLogFlags(LOG_TIME);
    SetLogFile("");
}

TEST_F(ReptThreadTest, StopGivesEveryQueuedReportOneLastAttempt) {
    CHeldReptThread thread;
    StatsAddress held = MakeStats("/stat/s/start?n=1");
    StatsAddress second = MakeStats("/stat/s/startdown?n=2");
    StatsAddress third = MakeStats("/stat/s/clientstart?n=3");
    thread.AddRept(held.strUrl);
    thread.Start();
    while (thread.GetQueueLength() != 0) ::Sleep(5);
    thread.AddRept(second.strUrl);
    thread.AddRept(third.strUrl);
    thread.Stop();
    ASSERT_TRUE(thread.WaitFor(20000));
    EXPECT_EQ((std::vector<std::string>{held.strTarget, second.strTarget, third.strTarget}),
              MakerRecord("maker-stats.log"));

    // At the end a failure is not retried beyond its one attempt (two requests).
    ClearMakerFiles();
    ASSERT_TRUE(PutMakerFile("maker-stats.fail", "503"));
    CReptThread stopped;
    stopped.AddRept(second.strUrl);
    stopped.AddRept(third.strUrl);
    stopped.Start();
    stopped.Stop();
    ASSERT_TRUE(stopped.WaitFor(20000));
    std::vector<std::string> lines = MakerRecord("maker-stats.log");
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(third.strTarget, lines.back());
    EXPECT_EQ(0u, stopped.GetQueueLength());
}

TEST_F(ReptThreadTest, NetworkErrorKeepsTheReportAtTheHeadUntilTheEnd) {
    CTempDir dir;
    SetLogFile(dir.File("rept.log").c_str());
    SetLogFlags(LOG_FILE);
    const std::string strUnreachable = "http://127.0.0.1:1/stat/n/start?n=1";
    StatsAddress behind = MakeStats("/stat/n/startdown?n=2");
    m_thread.AddRept(strUnreachable);
    m_thread.AddRept(behind.strUrl);
    m_thread.Start();
    const std::string strLine = "Rept " + strUnreachable + " Result [-4, ";
    auto countAttempts = [&]() {
        std::string strLog = ReadFileText(dir.File("rept.log"));
        size_t nCount = 0;
        for (size_t nPos = strLog.find(strLine); nPos != std::string::npos;
             nPos = strLog.find(strLine, nPos + 1)) {
            ++nCount;
        }
        return nCount;
    };
    DWORD dwStart = ::GetTickCount();
    while (countAttempts() < 3 && ::GetTickCount() - dwStart < 30000) ::Sleep(20);
    EXPECT_GE(countAttempts(), 3u);
    EXPECT_TRUE(MakerRecord("maker-stats.log").empty());
    EXPECT_GE(m_thread.GetQueueLength(), 1u);
    // At the end the unreachable report gets its last attempt and the one behind it is sent.
    m_thread.Stop();
    ASSERT_TRUE(m_thread.WaitFor(30000));
    EXPECT_EQ(std::vector<std::string>{behind.strTarget}, MakerRecord("maker-stats.log"));
    SetLogFlags(LOG_TIME);
    SetLogFile("");
}
