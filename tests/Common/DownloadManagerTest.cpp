#include "DownloadManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "DownloadTestUtil.h"
#include "RefServerControl.h"
#include "TestSupport.h"

namespace {

const int64_t kBlock = CBitmapFile::kBlockSize;
// 2021-01-01 00:00:00 UTC and one day later, as file times.
const FILETIME kDay1 = {0x0C358000, 0x01D6DFD1};
const FILETIME kDay2 = {0x369F4000, 0x01D6E09A};

struct ByteRange {
    int64_t first;
    int64_t last;
    bool operator<(const ByteRange& o) const {
        return first < o.first || (first == o.first && last < o.last);
    }
    bool operator==(const ByteRange& o) const { return first == o.first && last == o.last; }
};

// The ranges of the GET requests in a request record ("GET /f bytes=a-b").
std::vector<ByteRange> GetRanges(const std::vector<std::string>& requests) {
    std::vector<ByteRange> ranges;
    for (const std::string& line : requests) {
        long long a = 0, b = 0;
        size_t at = line.find(" bytes=");
        if (line.compare(0, 4, "GET ") == 0 && at != std::string::npos &&
            sscanf(line.c_str() + at, " bytes=%lld-%lld", &a, &b) == 2) {
            ranges.push_back({a, b});
        }
    }
    return ranges;
}

int CountStarting(const std::vector<std::string>& requests, const char* pszPrefix) {
    return static_cast<int>(std::count_if(requests.begin(), requests.end(), [&](const std::string& line) {
        return line.compare(0, strlen(pszPrefix), pszPrefix) == 0;
    }));
}

class DownloadManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(TestServerBase().empty()) << "run through scripts/wine-test.sh";
        ASSERT_TRUE(ResetServer());
    }

    // Serves content under strName with a fixed date; returns its URL.
    std::string Serve(const std::string& strName, const std::vector<uint8_t>& content,
                      FILETIME ftDate = kDay1) {
        std::string strUrl = PutServedFile(strName, content);
        EXPECT_FALSE(strUrl.empty());
        EXPECT_TRUE(SetServedFileTime(strName, ftDate));
        return strUrl;
    }

    int RunSync(CDownloadManager& manager, const std::string& strUrl, const std::string& strTarget) {
        manager.SetSynchronous(true);
        manager.DownloadFile(strUrl.c_str(), strTarget.c_str());
        return manager.GetStatus();
    }

    bool SameFile(const std::string& strPath, const std::vector<uint8_t>& content) {
        std::vector<uint8_t> data;
        return ReadFileBytes(strPath, data) && data == content;
    }

    CTempDir m_dir;
};

}  // namespace

TEST_F(DownloadManagerTest, SharesTheFileAmongWorkersByItsSize) {
    std::vector<uint8_t> small = MakeContent(300 * 1024, 1);
    std::string strUrl = Serve("f300.bin", small);
    CDownloadManager manager;
    std::string strTarget = m_dir.File("f300.bin");
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_TRUE(SameFile(strTarget, small));
    EXPECT_FALSE(FileExists(strTarget + ".kvd"));
    EXPECT_FALSE(FileExists(strTarget + ".kvb"));
    EXPECT_EQ(manager.GetTotalBytes(), 300 * 1024);
    {
        // The progress line is written at the lowest level, as failures are.
        CLogCapture log(m_dir.File("progress.log"));
        SetLogLevel(0);
        EXPECT_EQ(manager.GetProgress(), 100);
        EXPECT_TRUE(log.Contains("GetProgress() i64TotalBytes=307200,i64DownloadBytes=307200\r\n"));
    }
    std::vector<std::string> requests = ServerRequests("/f300.bin");
    EXPECT_EQ(CountStarting(requests, "HEAD "), 1);
    std::vector<ByteRange> ranges = GetRanges(requests);
    std::sort(ranges.begin(), ranges.end());
    EXPECT_EQ(ranges, (std::vector<ByteRange>{{0, 10 * kBlock - 1}, {10 * kBlock, 300 * 1024 - 1}}));
    // The target carries the remote date.
    WIN32_FILE_ATTRIBUTE_DATA attr;
    ASSERT_TRUE(::GetFileAttributesExA(strTarget.c_str(), GetFileExInfoStandard, &attr));
    EXPECT_EQ(attr.ftLastWriteTime.dwLowDateTime, kDay1.dwLowDateTime);
    EXPECT_EQ(attr.ftLastWriteTime.dwHighDateTime, kDay1.dwHighDateTime);

    std::vector<uint8_t> big = MakeContent(2 * 1024 * 1024, 2);
    strUrl = Serve("f2m.bin", big);
    strTarget = m_dir.File("f2m.bin");
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_TRUE(SameFile(strTarget, big));
    ranges = GetRanges(ServerRequests("/f2m.bin"));
    std::set<ByteRange> distinct(ranges.begin(), ranges.end());
    EXPECT_EQ(distinct.size(), ranges.size());
    // 128 blocks in shares of 26 (the last 24); later ranges may be take-overs.
    for (int64_t i = 0; i < 5; ++i) {
        ByteRange share = {i * 26 * kBlock, std::min<int64_t>((i + 1) * 26 * kBlock, 128 * kBlock) - 1};
        EXPECT_EQ(distinct.count(share), 1u) << i;
    }
}

TEST_F(DownloadManagerTest, LengthQueryFailuresEndTheDownload) {
    CDownloadManager manager;
    manager.SetInactivityTimeout(5000);
    std::string strTarget = m_dir.File("x.bin");
    EXPECT_EQ(RunSync(manager, TestServerUrl("/missing.bin"), strTarget), kDownloadFailed);
    EXPECT_EQ(ServerRequests("/missing.bin"), (std::vector<std::string>{"HEAD /missing.bin"}));

    std::string strUrl = Serve("busy.bin", MakeContent(1000, 3));
    ASSERT_TRUE(SetServerRule("path=/busy.bin&method=HEAD&status=503"));
    DWORD dwStart = ::GetTickCount();
    EXPECT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFailed);
    EXPECT_GE(::GetTickCount() - dwStart, 2900u);
    EXPECT_EQ(ServerRequests("/busy.bin"), std::vector<std::string>(3, "HEAD /busy.bin"));
    // A stop during the pause between two attempts ends the download at once.
    manager.SetSynchronous(false);
    manager.DownloadFile(strUrl.c_str(), strTarget.c_str());
    ::Sleep(300);
    dwStart = ::GetTickCount();
    manager.Stop();
    EXPECT_LT(::GetTickCount() - dwStart, 1500u);
    EXPECT_EQ(manager.GetStatus(), kDownloadStopped);
    manager.SetSynchronous(true);

    // No fallback to a GET when HEAD is refused.
    strUrl = Serve("nohead.bin", MakeContent(1000, 3));
    ASSERT_TRUE(SetServerRule("path=/nohead.bin&method=HEAD&status=405"));
    EXPECT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFailed);
    EXPECT_EQ(ServerRequests("/nohead.bin"), (std::vector<std::string>{"HEAD /nohead.bin"}));
    EXPECT_FALSE(FileExists(strTarget));
    EXPECT_FALSE(FileExists(strTarget + ".kvd"));
}

TEST_F(DownloadManagerTest, WithoutALengthTheFileIsStreamedWhole) {
    std::vector<uint8_t> content = MakeContent(200 * 1024 + 17, 4);
    std::string strUrl = Serve("nolen.bin", content);
    // The GET names another date than the HEAD: the target takes the HEAD's.
    ASSERT_TRUE(
        SetServerRule("path=/"
                      "nolen.bin&method=GET&no_length=1&rate=400000&last_modified=Wed%2C%2021%20Oct%202015%"
                      "2007%3A28%3A00%20GMT"));
    ASSERT_TRUE(SetServerRule("path=/nolen.bin&no_length=1"));
    CDownloadManager manager;
    std::string strTarget = m_dir.File("nolen.bin");
    manager.DownloadFile(strUrl.c_str(), strTarget.c_str());
    int nMaxProgress = 0;
    bool bTargetEarly = false;
    while (manager.GetStatus() == kDownloadBusy || manager.GetStatus() == kDownloadRenaming) {
        nMaxProgress = std::max(nMaxProgress, manager.GetProgress());
        // The stream takes the target's name only once it is whole (the status turns first).
        bTargetEarly |= FileExists(strTarget) && manager.GetStatus() == kDownloadBusy;
        ::Sleep(20);
    }
    EXPECT_EQ(manager.GetStatus(), kDownloadFinished);
    EXPECT_FALSE(bTargetEarly);
    EXPECT_FALSE(FileExists(strTarget + ".part"));
    EXPECT_EQ(nMaxProgress, 0);
    EXPECT_EQ(manager.GetTotalBytes(), -1);
    EXPECT_GT(manager.GetDownloadTime(), 200);
    EXPECT_TRUE(SameFile(strTarget, content));
    EXPECT_FALSE(FileExists(strTarget + ".kvd"));
    EXPECT_EQ(ServerRequests("/nolen.bin"), (std::vector<std::string>{"HEAD /nolen.bin", "GET /nolen.bin"}));
    WIN32_FILE_ATTRIBUTE_DATA attr;
    ASSERT_TRUE(::GetFileAttributesExA(strTarget.c_str(), GetFileExInfoStandard, &attr));
    EXPECT_EQ(CompareFileTime(&attr.ftLastWriteTime, &kDay1), 0);
}

TEST_F(DownloadManagerTest, RangeErrorsRetryOnServerFaultsOnly) {
    std::vector<uint8_t> content = MakeContent(100 * 1024, 5);
    std::string strUrl = Serve("r503.bin", content);
    ASSERT_TRUE(SetServerRule("path=/r503.bin&method=GET&status=503&count=1"));
    CDownloadManager manager;
    std::string strTarget = m_dir.File("r503.bin");
    DWORD dwStart = ::GetTickCount();
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_GE(::GetTickCount() - dwStart, 950u);
    EXPECT_TRUE(SameFile(strTarget, content));
    std::vector<ByteRange> ranges = GetRanges(ServerRequests("/r503.bin"));
    EXPECT_EQ(ranges, (std::vector<ByteRange>(2, {0, 100 * 1024 - 1})));

    // A 404 on the range ends the worker; the blocks stay missing and the files stay.
    strUrl = Serve("r404.bin", content);
    ASSERT_TRUE(SetServerRule("path=/r404.bin&method=GET&status=404"));
    strTarget = m_dir.File("r404.bin");
    EXPECT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFailed);
    EXPECT_EQ(GetRanges(ServerRequests("/r404.bin")).size(), 1u);
    EXPECT_TRUE(FileExists(strTarget + ".kvd"));
    EXPECT_TRUE(FileExists(strTarget + ".kvb"));
    EXPECT_FALSE(FileExists(strTarget));
}

TEST_F(DownloadManagerTest, MisbehavingServersStillGiveTheExactFile) {
    struct Case {
        const char* pszName;
        const char* pszRule;
        size_t nSize;
    } cases[] = {
        {"cut.bin", "method=GET&cut=40000&count=4", 300 * 1024},
        {"rst.bin", "method=GET&cut=70000&rst=1&count=3", 300 * 1024 + 5},
        {"pieces.bin", "method=GET&piece=3000&pause=3", 200 * 1024},
        {"slow.bin", "method=GET&rate=300000", 600 * 1024},
        {"norange.bin", "method=GET&ignore_range=1", 1024 * 1024 + 333},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> content = MakeContent(c.nSize, static_cast<uint32_t>(c.nSize));
        std::string strUrl = Serve(c.pszName, content);
        ASSERT_TRUE(SetServerRule(std::string("path=/") + c.pszName + "&" + c.pszRule));
        CDownloadManager manager;
        manager.SetInactivityTimeout(20000);
        std::string strTarget = m_dir.File(c.pszName);
        manager.DownloadFile(strUrl.c_str(), strTarget.c_str());
        int nMaxProgress = 0;
        while (manager.GetStatus() == kDownloadBusy || manager.GetStatus() == kDownloadRenaming) {
            nMaxProgress = std::max(nMaxProgress, manager.GetProgress());
            ::Sleep(20);
        }
        EXPECT_EQ(manager.GetStatus(), kDownloadFinished) << c.pszName;
        EXPECT_TRUE(SameFile(strTarget, content)) << c.pszName;
        EXPECT_LE(nMaxProgress, 100) << c.pszName;
        EXPECT_EQ(manager.GetProgress(), 100) << c.pszName;
        EXPECT_EQ(manager.GetDownloadedBytes(), static_cast<int64_t>(c.nSize)) << c.pszName;
    }
}

TEST_F(DownloadManagerTest, AStoppedRunResumesWithOnlyTheMissingBlocks) {
    const size_t nSize = 1024 * 1024 + 100;
    std::vector<uint8_t> content = MakeContent(nSize, 6);
    std::string strUrl = Serve("resume.bin", content);
    ASSERT_TRUE(SetServerRule("path=/resume.bin&method=GET&rate=100000"));
    CDownloadManager manager;
    std::string strTarget = m_dir.File("resume.bin");
    manager.DownloadFile(strUrl.c_str(), strTarget.c_str());
    while (manager.GetDownloadedBytes() < 300 * 1024 && manager.GetStatus() == kDownloadBusy) ::Sleep(20);
    ::Sleep(300);
    manager.Stop();
    ASSERT_EQ(manager.GetStatus(), kDownloadStopped);
    ASSERT_FALSE(FileExists(strTarget));
    std::vector<uint8_t> table;
    ASSERT_TRUE(ReadFileBytes(strTarget + ".kvb", table));
    ASSERT_EQ(table.size(), 256u + 65);
    int64_t i64Stored = LoadI64(table, 32);
    uint32_t nStoredMs = LoadU32(table, 40);
    int nDone = static_cast<int>(std::count(table.begin() + 256, table.end(), 255));
    EXPECT_GE(nDone, 18);
    EXPECT_LT(nDone, 65);
    EXPECT_EQ(i64Stored, nDone * kBlock);
    EXPECT_GE(nStoredMs, 300u);

    ASSERT_TRUE(ClearServerRules());
    ASSERT_TRUE(ResetServer());
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_TRUE(SameFile(strTarget, content));
    // No request touched a block that was done, and the counters went on from the table.
    int64_t i64Fetched = 0;
    for (const ByteRange& r : GetRanges(ServerRequests("/resume.bin"))) {
        for (int64_t b = r.first / kBlock; b <= r.last / kBlock; ++b) EXPECT_NE(table[256 + b], 255) << b;
        i64Fetched += r.last - r.first + 1;
    }
    EXPECT_EQ(i64Fetched, static_cast<int64_t>(nSize) - i64Stored);
    EXPECT_EQ(manager.GetDownloadedBytes(), static_cast<int64_t>(nSize));
    EXPECT_GE(manager.GetDownloadTime(), static_cast<int64_t>(nStoredMs));
}

TEST_F(DownloadManagerTest, AResumeFromAServerIgnoringRangeIsNotTakenForSilence) {
    // Three quarters done; every worker's answer carries the file from byte 0, so each drops
    // 1.5 MiB before its first new block, for longer than the inactivity time-out.
    const size_t nSize = 2 * 1024 * 1024;
    std::vector<uint8_t> content = MakeContent(nSize, 11);
    std::string strUrl = Serve("skip.bin", content);
    std::string strTarget = m_dir.File("skip.bin");
    COutputFile old;
    ASSERT_TRUE(old.Open(strTarget.c_str(), static_cast<int64_t>(nSize), kDay1));
    ASSERT_TRUE(old.WriteData(0, content.data(), 96 * kBlock));
    old.Close();
    ASSERT_TRUE(SetServerRule("path=/skip.bin&method=GET&ignore_range=1&rate=500000"));
    CDownloadManager manager;
    manager.SetInactivityTimeout(1500);
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_TRUE(SameFile(strTarget, content));
    EXPECT_GE(manager.GetDownloadTime(), 3000);
}

TEST_F(DownloadManagerTest, AServerIgnoringRangeCostsOneStream) {
    // Five workers ask for five ranges and each gets the whole file. The first such answer
    // turns the run into one stream from byte 0; the other workers end without asking again.
    const size_t nSize = 2 * 1024 * 1024 + 4321;
    std::vector<uint8_t> content = MakeContent(nSize, 12);
    std::string strUrl = Serve("whole.bin", content);
    ASSERT_TRUE(SetServerRule("path=/whole.bin&method=GET&ignore_range=1&rate=1000000"));
    CDownloadManager manager;
    manager.SetInactivityTimeout(20000);
    std::string strTarget = m_dir.File("whole.bin");
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_TRUE(SameFile(strTarget, content));
    EXPECT_EQ(manager.GetDownloadedBytes(), static_cast<int64_t>(nSize));
    // No worker asks again: neither a takeover nor a range after its first.
    std::vector<std::string> requests = ServerRequests("/whole.bin");
    EXPECT_GE(CountStarting(requests, "GET "), 1);
    EXPECT_LE(CountStarting(requests, "GET "), 5);
    EXPECT_EQ(GetRanges(requests).size(), static_cast<size_t>(CountStarting(requests, "GET ")));
}

TEST_F(DownloadManagerTest, AChangedDateOrLengthStartsAfresh) {
    std::vector<uint8_t> content = MakeContent(512 * 1024, 7);
    std::string strUrl = Serve("change.bin", content, kDay1);
    std::string strTarget = m_dir.File("change.bin");
    // A table from an earlier run with every block but the last done, for another date.
    COutputFile old;
    ASSERT_TRUE(old.Open(strTarget.c_str(), 512 * 1024, kDay2));
    for (int64_t b = 0; b < 31; ++b) old.WriteData(b * kBlock, &content[b * kBlock], kBlock);
    old.Close();
    CDownloadManager manager;
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_TRUE(SameFile(strTarget, content));
    std::vector<ByteRange> ranges = GetRanges(ServerRequests("/change.bin"));
    ASSERT_FALSE(ranges.empty());
    EXPECT_EQ(std::min_element(ranges.begin(), ranges.end())->first, 0);

    // Same date, other length.
    ASSERT_TRUE(ResetServer());
    ASSERT_TRUE(old.Open(strTarget.c_str(), 512 * 1024 + 1, kDay1));
    for (int64_t b = 0; b < 31; ++b) old.WriteData(b * kBlock, &content[b * kBlock], kBlock);
    old.Close();
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_TRUE(SameFile(strTarget, content));
    ranges = GetRanges(ServerRequests("/change.bin"));
    ASSERT_FALSE(ranges.empty());
    EXPECT_EQ(std::min_element(ranges.begin(), ranges.end())->first, 0);
}

TEST_F(DownloadManagerTest, ACompleteTableIsOnlyPutInPlace) {
    // A run that was cut off after its last block but before the renaming.
    std::vector<uint8_t> content = MakeContent(400 * 1024 + 9, 10);
    std::string strUrl = Serve("done.bin", content);
    std::string strTarget = m_dir.File("done.bin");
    COutputFile old;
    ASSERT_TRUE(old.Open(strTarget.c_str(), static_cast<int64_t>(content.size()), kDay1));
    ASSERT_TRUE(old.WriteData(0, content.data(), static_cast<int>(content.size())));
    ASSERT_TRUE(old.IsComplete());
    old.Close();
    CDownloadManager manager;
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_TRUE(SameFile(strTarget, content));
    EXPECT_EQ(ServerRequests("/done.bin"), (std::vector<std::string>{"HEAD /done.bin"}));
    EXPECT_FALSE(FileExists(strTarget + ".kvb"));
}

TEST_F(DownloadManagerTest, EdgeOutcomes) {
    // An empty remote file is finished at once.
    std::string strUrl = Serve("empty.bin", {});
    CDownloadManager manager;
    manager.SetInactivityTimeout(60000);
    std::string strTarget = m_dir.File("empty.bin");
    DWORD dwStart = ::GetTickCount();
    ASSERT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_LT(::GetTickCount() - dwStart, 30000u);
    EXPECT_EQ(FileSize(strTarget), 0);
    EXPECT_FALSE(FileExists(strTarget + ".kvb"));

    // The target cannot be replaced (a folder with a file in it): a local file error.
    std::vector<uint8_t> content = MakeContent(50000, 8);
    strUrl = Serve("blocked.bin", content);
    strTarget = m_dir.File("blocked.bin");
    ASSERT_TRUE(::CreateDirectoryA(strTarget.c_str(), nullptr));
    ASSERT_TRUE(WriteFileText(strTarget + "\\inside.txt", "x"));
    EXPECT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFileError);
    EXPECT_TRUE(SameFile(strTarget + ".kvd", content));
    EXPECT_TRUE(FileExists(strTarget + ".kvb"));

    // No data for longer than the inactivity time-out.
    strUrl = Serve("stall.bin", content);
    ASSERT_TRUE(SetServerRule("path=/stall.bin&method=GET&delay=2500"));
    manager.SetInactivityTimeout(800);
    strTarget = m_dir.File("stall.bin");
    EXPECT_EQ(RunSync(manager, strUrl, strTarget), kDownloadTimedOut);
    EXPECT_TRUE(FileExists(strTarget + ".kvb"));

    // A length beyond what a block table can hold (4 GiB) is fetched as one stream.
    strUrl = Serve("huge.bin", content);
    ASSERT_TRUE(SetServerRule("path=/huge.bin&method=HEAD&length=5368709120"));
    strTarget = m_dir.File("huge.bin");
    manager.SetInactivityTimeout(20000);
    EXPECT_EQ(RunSync(manager, strUrl, strTarget), kDownloadFinished);
    EXPECT_EQ(manager.GetTotalBytes(), int64_t(5) << 30);
    EXPECT_TRUE(SameFile(strTarget, content));
    EXPECT_FALSE(FileExists(strTarget + ".kvb"));
    EXPECT_EQ(ServerRequests("/huge.bin"), (std::vector<std::string>{"HEAD /huge.bin", "GET /huge.bin"}));

    // The outcome of a segmented run from what the watch loop saw.
    EXPECT_EQ(SegmentedRunStatus(true, true, false, false), kDownloadRenaming);
    EXPECT_EQ(SegmentedRunStatus(true, false, false, false), kDownloadFailed);
    EXPECT_EQ(SegmentedRunStatus(true, true, true, false), kDownloadRenaming);
    EXPECT_EQ(SegmentedRunStatus(false, false, true, false), kDownloadStopped);
    EXPECT_EQ(SegmentedRunStatus(false, false, false, false), kDownloadTimedOut);
    // Workers that all ended on a full disk, or a watch loop that stopped them for it.
    EXPECT_EQ(SegmentedRunStatus(true, false, false, true), kDownloadFileError);
    EXPECT_EQ(SegmentedRunStatus(false, false, false, true), kDownloadFileError);

    // A worker's tick newer than the clock just read is no 49-day silence; the wrap is not either.
    EXPECT_FALSE(CActivityClock::IsPast(1005, 1000, 800));
    EXPECT_FALSE(CActivityClock::IsPast(0xFFFFFF00u, 100, 800));
    EXPECT_TRUE(CActivityClock::IsPast(0xFFFFFF00u, 1000, 800));
}

TEST_F(DownloadManagerTest, HostileServersGiveTheExactFileOrAFailureInTime) {
    std::vector<uint8_t> content = MakeContent(300 * 1024, 21);
    struct Case {
        const char* pszName;
        const char* pszRules;  // rules for the path, separated by '|'
        int nTimeoutMs;
        int nStatus;
    } cases[] = {
        // A 206 for other bytes than asked is never written: the range is asked again.
        {"shift.bin", "method=GET&range_shift=16384&count=1", 20000, kDownloadFinished},
        // A connection that falls silent mid-body: the range goes on over a new one.
        {"stall1.bin", "method=GET&stall_at=20000&stall=300000&count=1", 4000, kDownloadFinished},
        // Every answer falls silent before a whole block: the run times out.
        {"stall.bin", "method=GET&stall_at=5000&stall=300000", 4000, kDownloadTimedOut},
        // Every answer is cut before a whole block: no storm of requests, then the time-out.
        {"cut.bin", "method=GET&cut=10000", 3000, kDownloadTimedOut},
        // One stream (a length beyond any block table): a cut body is a failed attempt.
        {"one.bin", "method=HEAD&length=5368709120|method=GET&cut=50000&count=1", 20000, kDownloadFinished},
        {"onecut.bin", "method=HEAD&length=5368709120|method=GET&cut=50000", 3000, kDownloadTimedOut},
        // Whole-file answers to ranges, each cut early: skipping the same bytes again is no
        // progress, so the run still times out.
        {"skipcut.bin", "method=GET&ignore_range=1&cut=10000", 3000, kDownloadTimedOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        std::string strUrl = Serve(c.pszName, content);
        std::string strRules = c.pszRules;
        for (size_t nAt = 0; nAt != std::string::npos;) {
            size_t nBar = strRules.find('|', nAt);
            std::string strRule = strRules.substr(nAt, nBar == std::string::npos ? nBar : nBar - nAt);
            ASSERT_TRUE(SetServerRule(std::string("path=/") + c.pszName + "&" + strRule));
            nAt = nBar == std::string::npos ? nBar : nBar + 1;
        }
        CDownloadManager manager;
        manager.SetInactivityTimeout(c.nTimeoutMs);
        std::string strTarget = m_dir.File(c.pszName);
        DWORD dwStart = ::GetTickCount();
        EXPECT_EQ(RunSync(manager, strUrl, strTarget), c.nStatus);
        DWORD dwElapsed = ::GetTickCount() - dwStart;
        EXPECT_LT(dwElapsed, static_cast<DWORD>(c.nTimeoutMs) + 6000);
        EXPECT_EQ(SameFile(strTarget, content), c.nStatus == kDownloadFinished);
        // Nothing cut lies at the target's name, where it would pass for the file.
        EXPECT_EQ(FileExists(strTarget), c.nStatus == kDownloadFinished);
        EXPECT_FALSE(FileExists(strTarget + ".part"));
        // At most one request a second per connection while nothing is gained.
        int nGets = CountStarting(ServerRequests(std::string("/") + c.pszName), "GET ");
        EXPECT_LE(nGets, 2 * static_cast<int>(dwElapsed / 1000 + 3)) << nGets;
    }
}

TEST_F(DownloadManagerTest, AFileReplacedOnTheServerIsFetchedAfreshOnce) {
    const size_t nSize = 2 * 1024 * 1024;
    std::vector<uint8_t> first = MakeContent(nSize, 31), second = MakeContent(nSize, 32);
    std::string strUrl = Serve("repl.bin", first, kDay1);
    // Slow answers, each cut after a part, so that requests go on after the replacement.
    const std::string strRule = "path=/repl.bin&method=GET&rate=250000&cut=200000";
    ASSERT_TRUE(SetServerRule(strRule));
    const std::string strTarget = m_dir.File("repl.bin");
    // Replaces the served file whole (as a rename does) once the run has a part of it.
    auto replaceAfterPart = [&](CDownloadManager& manager, const std::vector<uint8_t>& next, FILETIME ftNext,
                                int nHeads) {
        while (CountStarting(ServerRequests("/repl.bin"), "HEAD ") < nHeads ||
               manager.GetDownloadedBytes() < 400 * 1024) {
            ASSERT_EQ(manager.GetStatus(), kDownloadBusy);
            ::Sleep(20);
        }
        ASSERT_FALSE(PutServedFile("repl.new", next).empty());
        ASSERT_TRUE(SetServedFileTime("repl.new", ftNext));
        ASSERT_TRUE(MoveFileExA(ServedFilePath("repl.new").c_str(), ServedFilePath("repl.bin").c_str(),
                                MOVEFILE_REPLACE_EXISTING));
    };
    auto waitForEnd = [](CDownloadManager& manager) {
        while (manager.GetStatus() == kDownloadBusy || manager.GetStatus() == kDownloadRenaming) ::Sleep(20);
        return manager.GetStatus();
    };
    {
        CDownloadManager manager;
        manager.SetInactivityTimeout(20000);
        manager.DownloadFile(strUrl.c_str(), strTarget.c_str());
        replaceAfterPart(manager, second, kDay2, 1);
        EXPECT_EQ(waitForEnd(manager), kDownloadFinished);
        EXPECT_TRUE(SameFile(strTarget, second));
        EXPECT_EQ(CountStarting(ServerRequests("/repl.bin"), "HEAD "), 2);
    }
    // Changed again during the fresh start: a failure, and no partial files of either.
    ASSERT_TRUE(ResetServer());
    ASSERT_TRUE(SetServerRule(strRule));
    ASSERT_TRUE(::DeleteFileA(strTarget.c_str()));
    CDownloadManager manager;
    manager.SetInactivityTimeout(20000);
    manager.DownloadFile(strUrl.c_str(), strTarget.c_str());
    FILETIME ftDay3 = kDay2;
    ftDay3.dwHighDateTime += 1;
    replaceAfterPart(manager, first, ftDay3, 1);
    replaceAfterPart(manager, second, kDay1, 2);
    EXPECT_EQ(waitForEnd(manager), kDownloadFailed);
    EXPECT_FALSE(FileExists(strTarget));
    EXPECT_FALSE(FileExists(strTarget + ".kvd"));
    EXPECT_FALSE(FileExists(strTarget + ".kvb"));
}
