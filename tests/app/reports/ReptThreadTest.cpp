#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Log.h"
#include "MakerServer.h"
#include "RefServerControl.h"
#include "ReportAddress.h"
#include "ReportRetry.h"
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
    fields.url = "http://s/stat/x/";
    fields.productName = "Kavvik";
    fields.version = "3.2";
    fields.recType = 255;
    fields.recId = 12345678901LL;
    fields.recAd = -2;
    fields.fromUrl = "http://a.cn/b c?d=中";
    fields.webId = "w7";
    fields.oemId = 4294967295u;
    EXPECT_EQ(
        "http://s/stat/x/start?dlver=G1.0.0&pname=Kavvik&pver=3.2&cmdtype=255&cmdid=12345678901&ad=-2"
        "&oemid=-1&fromurl=http://a.cn/b+c%3Fd%3D%D6%D0&webid=w7",
        BuildReportAddress(fields, "start", ""));
    EXPECT_EQ(
        "http://s/stat/x/downloadfailed?dlver=G1.0.0&pname=Kavvik&pver=3.2&cmdtype=255&cmdid=12345678901"
        "&ad=-2&oemid=-1&fromurl=http://a.cn/b+c%3Fd%3D%D6%D0&webid=w7&err=5",
        BuildReportAddress(fields, "downloadfailed", "&err=5"));

    // Bytes that would break the request line or add a field are escaped; the rest stays raw.
    EXPECT_EQ("%01%20%7F%23%25%26%2B%3D?/中", EscapeQueryValue("\x01 \x7F#%&+=?/中"));
    fields.productName = "酷播 影音";
    fields.version = "1\t2";
    fields.webId = "a#b\r\n";
    fields.fromUrl.clear();
    EXPECT_EQ(
        std::string("/startdown?dlver=G1.0.0&pname=酷播%20影音&pver=1%092&cmdtype=255&cmdid=12345678901") +
            "&ad=-2&oemid=-1&fromurl=&webid=a%23b%0D%0A",
        BuildReportAddress(fields, "startdown", "").substr(std::string("http://s/stat/x").size()));
    // A cookie value cannot add a second cmdid: the server sees one field with that text.
    fields.productName = "p&cmdid=1";
    fields.version = "1+2=3%";
    fields.webId = "w&cmdid=666";
    std::string strSmuggled = BuildReportAddress(fields, "start", "");
    EXPECT_EQ(std::string::npos, strSmuggled.find("cmdid=666"));
    EXPECT_NE(std::string::npos, strSmuggled.find("pname=p%26cmdid%3D1&pver=1%2B2%3D3%25&"));
    EXPECT_NE(std::string::npos, strSmuggled.find("&webid=w%26cmdid%3D666"));
    std::string strLong(100000, 'p');
    fields.productName = strLong;
    EXPECT_NE(std::string::npos, BuildReportAddress(fields, "start", "&dltime=1").find(strLong + "&pver="));
}

TEST(ReportRetryTest, PausesDoubleWithJitterUpToTheCapAndHonourRetryAfter) {
    EXPECT_EQ(50u, RetryPauseMs(1, 0, 12345));
    // The n-th pause lies in the upper half of 50 ms doubled n - 1 times; the draw picks where.
    EXPECT_EQ(50u, RetryPauseMs(2, 0, 0));
    EXPECT_EQ(100u, RetryPauseMs(2, 0, 50));
    EXPECT_EQ(75u, RetryPauseMs(2, 0, 51 * 3 + 25));
    EXPECT_EQ(6400u, RetryPauseMs(8, 0, 3200));
    EXPECT_EQ(3200u, RetryPauseMs(8, 0, 0));
    // The cap holds at once and for ever after, and the draw still spreads below it.
    for (int n : {11, 12, 40, 1000000}) {
        EXPECT_EQ(kMaxRetryPauseMs, RetryPauseMs(n, 0, kMaxRetryPauseMs / 2)) << n;
        EXPECT_EQ(kMaxRetryPauseMs / 2, RetryPauseMs(n, 0, 0)) << n;
    }
    EXPECT_EQ(25600u, RetryPauseMs(10, 0, 12800));
    // Retry-After wins over a shorter pause, up to its own cap; a shorter one changes nothing.
    EXPECT_EQ(5000u, RetryPauseMs(1, 5000, 0));
    EXPECT_EQ(kMaxRetryAfterMs, RetryPauseMs(3, 3600000, 0));
    EXPECT_EQ(3200u, RetryPauseMs(8, 10, 0));

    SYSTEMTIME now = MakeSystemTime(2024, 3, 9, 12, 0, 0);
    EXPECT_EQ(2000u, ParseRetryAfterMs("2", now));
    EXPECT_EQ(7000u, ParseRetryAfterMs(" 7 ", now));
    EXPECT_EQ(kMaxRetryAfterMs, ParseRetryAfterMs("86400", now));
    EXPECT_EQ(kMaxRetryAfterMs, ParseRetryAfterMs("99999999999999999999999", now));
    EXPECT_EQ(90000u, ParseRetryAfterMs("Sat, 09 Mar 2024 12:01:30 GMT", now));
    EXPECT_EQ(0u, ParseRetryAfterMs("Sat, 09 Mar 2024 11:59:00 GMT", now));  // already past
    for (const char* pszBad : {"", "  ", "-5", "1.5", "soon"})
        EXPECT_EQ(0u, ParseRetryAfterMs(pszBad, now)) << pszBad;
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
        // The server asked for later: one request per attempt, a pause after each; only after
        // the 200 the second report.
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

    // At the end a failure is not retried beyond its one attempt (one request: the server
    // asked for later).
    ClearMakerFiles();
    ASSERT_TRUE(PutMakerFile("maker-stats.fail", "503"));
    CReptThread stopped;
    stopped.AddRept(second.strUrl);
    stopped.AddRept(third.strUrl);
    stopped.Start();
    stopped.Stop();
    ASSERT_TRUE(stopped.WaitFor(20000));
    std::vector<std::string> lines = MakerRecord("maker-stats.log");
    ASSERT_GE(lines.size(), 2u);
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

// A statistics server that answers 503 with "Retry-After: 1" is asked about once a second, not
// every 50 ms; the report stays at the head, and the one behind it follows the first 200.
TEST_F(ReptThreadTest, ServerAskingForLaterIsAskedAgainOnlyAfterItsRetryAfter) {
    ASSERT_TRUE(ResetServer());
    ASSERT_TRUE(SetServerRule("path=/later/report&status=503&retry_after=1&count=3"));
    ASSERT_TRUE(SetServerRule("path=/later/report&body=ok"));
    ASSERT_TRUE(SetServerRule("path=/later/next&body=ok"));
    m_thread.AddRept(TestServerUrl("/later/report?n=1"));
    m_thread.AddRept(TestServerUrl("/later/next?n=2"));
    m_thread.Start();
    // Slowness can only lower this count: at most the first request and the one a second on.
    ::Sleep(1500);
    EXPECT_LE(ServerRequests("/later/report").size(), 2u);
    for (int i = 0; i < 400 && ServerRequests("/later/next").empty(); ++i) ::Sleep(50);
    std::vector<std::string> requests = ServerRequests();
    EXPECT_EQ(
        (std::vector<std::string>{"GET /later/report?n=1", "GET /later/report?n=1", "GET /later/report?n=1",
                                  "GET /later/report?n=1", "GET /later/next?n=2"}),
        requests);
    EXPECT_EQ(0u, m_thread.GetQueueLength());
}

// A server that sends one byte every 2 s holds no request beyond its deadline and no stop
// beyond the flush bound: the thread ends, and what it could not send is logged as dropped.
TEST_F(ReptThreadTest, TricklingServerCannotHoldTheThreadsEnd) {
    CTempDir dir;
    SetLogFile(dir.File("rept.log").c_str());
    SetLogFlags(LOG_FILE);
    ASSERT_TRUE(ResetServer());
    ASSERT_TRUE(SetServerRule("path=/slow/report&trickle=2000"));
    const std::string strSlow = TestServerUrl("/slow/report?n=1"),
                      strBehind = TestServerUrl("/slow/next?n=2");
    m_thread.AddRept(strSlow);
    m_thread.AddRept(strBehind);
    m_thread.Start();
    for (int i = 0; i < 400 && ServerRequests("/slow/report").empty(); ++i) ::Sleep(50);
    ASSERT_EQ(1u, ServerRequests("/slow/report").size());
    EXPECT_TRUE(m_thread.Finish());
    EXPECT_TRUE(ServerRequests("/slow/next").empty());
    std::string strLog = ReadFileText(dir.File("rept.log"));
    EXPECT_NE(strLog.find("Rept " + strSlow + " Result [-4, 12002]"), std::string::npos) << strLog;
    EXPECT_NE(strLog.find("Rept " + strSlow + " dropped: no time left at shutdown"), std::string::npos)
        << strLog;
    EXPECT_NE(strLog.find("Rept " + strBehind + " dropped: no time left at shutdown"), std::string::npos)
        << strLog;
    SetLogFlags(LOG_TIME);
    SetLogFile("");
    ClearServerRules();
}
