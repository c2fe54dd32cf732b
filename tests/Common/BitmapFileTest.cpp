#include "BitmapFile.h"

#include <gtest/gtest.h>

#include "DownloadTestUtil.h"
#include "TestSupport.h"

namespace {

const int64_t kBlock = CBitmapFile::kBlockSize;
const FILETIME kNoDate = {0, 0};

std::vector<int> States(const CBitmapFile& table) {
    std::vector<int> states;
    for (int64_t i = 0; i < table.GetBlockCountInTable(); ++i) states.push_back(table.GetBlockState(i));
    return states;
}

}  // namespace

TEST(BitmapFile, WorkerCountFollowsTheBlockCount) {
    CTempDir dir;
    CBitmapFile table;
    ASSERT_TRUE(table.Create(dir.File("a.kvb").c_str(), 0, kNoDate));
    EXPECT_EQ(table.GetWorkerCount(), 0);
    EXPECT_TRUE(table.IsComplete());
    int64_t first = 0, last = 0;
    EXPECT_FALSE(table.GetNextRange(1, first, last));
    table.Close();
    EXPECT_EQ(FileSize(dir.File("a.kvb")), 256);

    struct Case {
        int64_t i64Length;
        int nWorkers;
    } cases[] = {{1, 1},           {16 * kBlock, 1}, {16 * kBlock + 1, 2}, {17 * kBlock, 2},
                 {64 * kBlock, 4}, {65 * kBlock, 5}, {1000 * kBlock, 5}};
    for (const Case& c : cases) {
        ASSERT_TRUE(table.Create(dir.File("a.kvb").c_str(), c.i64Length, kNoDate));
        EXPECT_EQ(table.GetWorkerCount(), c.nWorkers) << c.i64Length;
        EXPECT_FALSE(table.IsComplete());
        table.Close();
        EXPECT_EQ(FileSize(dir.File("a.kvb")), 256 + CBitmapFile::BlockCount(c.i64Length, kBlock));
    }
}

TEST(BitmapFile, ReopenTurnsWorkerMarksFreeAndKeepsDoneBlocks) {
    CTempDir dir;
    std::string strPath = dir.File("a.kvb");
    {
        CBitmapFile table;
        ASSERT_TRUE(table.Create(strPath.c_str(), 3 * kBlock, kNoDate));
        table.SetBlockStates(0, 1, 1);
        table.SetBlockStates(1, 2, 2);
        table.SetBlockStates(2, 3, 255);
    }  // closing writes the table back
    std::vector<uint8_t> raw;
    ASSERT_TRUE(ReadFileBytes(strPath, raw));
    ASSERT_EQ(raw.size(), 259u);
    EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 256, raw.end()), (std::vector<uint8_t>{1, 2, 255}));

    CBitmapFile table;
    ASSERT_TRUE(table.Open(strPath.c_str()));
    // Opening hands the free blocks out again; a bare Read shows what the file gave.
    EXPECT_EQ(States(table), (std::vector<int>{1, 1, 255}));
    ASSERT_TRUE(table.Read());
    EXPECT_EQ(States(table), (std::vector<int>{0, 0, 255}));
}

TEST(BitmapFile, FileLayoutIsByteExact) {
    CTempDir dir;
    std::string strPath = dir.File("a.kvb");
    CBitmapFile table;
    FILETIME ftDate = {0x11223344, 0x55667788};
    ASSERT_TRUE(table.Create(strPath.c_str(), 40000, ftDate));
    table.SetBlockStates(1, 2, 255);
    table.AddDownloaded(16384);
    ASSERT_TRUE(table.Write());
    std::vector<uint8_t> raw;
    ASSERT_TRUE(ReadFileBytes(strPath, raw));
    ASSERT_EQ(raw.size(), 256u + 3);
    EXPECT_EQ(std::string(raw.begin(), raw.begin() + 8), std::string("KVDLBMP\0", 8));
    EXPECT_EQ(
        std::vector<uint8_t>(raw.begin() + 8, raw.begin() + 24),
        (std::vector<uint8_t>{1, 0, 0, 0, 0x00, 0x40, 0, 0, 0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55}));
    EXPECT_EQ(LoadI64(raw, 24), 40000);
    EXPECT_EQ(LoadI64(raw, 32), 16384);
    EXPECT_LT(LoadU32(raw, 40), 5000u);
    EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 44, raw.begin() + 256), std::vector<uint8_t>(212, 0));
    // One worker holds all three blocks, one of them done.
    EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 256, raw.end()), (std::vector<uint8_t>{1, 255, 1}));
}

TEST(BitmapFile, IncrementalWritesLeaveTheSameBytesAsAFullRewrite) {
    CTempDir dir;
    std::string strPath = dir.File("a.kvb");
    CBitmapFile table;
    ASSERT_TRUE(table.Create(strPath.c_str(), 200 * kBlock + 7, kNoDate));
    ASSERT_TRUE(table.WriteChanges());
    int64_t first = 0, last = 0;
    for (int i = 0; i < 40; ++i) {
        table.SetBlockStates(i * 5 % 201, i * 5 % 201 + 1, 255);
        table.AddDownloaded(16384);
        ASSERT_TRUE(table.WriteChanges());
    }
    table.SetBlockStates(0, 201, 255);
    table.SetBlockStates(100, 140, 2);
    ASSERT_TRUE(table.GetNextRange(1, first, last));
    table.SetBlockStates(150, 151, 3);
    table.SetBlockStates(120, 121, 255);
    ASSERT_TRUE(table.WriteChanges());
    std::vector<uint8_t> incremental, full;
    ASSERT_TRUE(ReadFileBytes(strPath, incremental));
    ASSERT_TRUE(table.Write());
    ASSERT_TRUE(ReadFileBytes(strPath, full));
    ASSERT_EQ(incremental.size(), full.size());
    // Bytes 40..43 hold the running time, which moves between the two writes.
    for (size_t i = 0; i < full.size(); ++i) {
        if (i >= 40 && i < 44)
            continue;
        ASSERT_EQ(incremental[i], full[i]) << "byte " << i;
    }
    EXPECT_EQ(LoadI64(full, 32), 40 * 16384);
    EXPECT_EQ(full[256 + 130], 1);
    EXPECT_EQ(full[256 + 120], 255);
}

TEST(BitmapFile, OpenRejectsBadFilesWithTheirLogLine) {
    CTempDir dir;
    CLogCapture log(dir.File("log.txt"));
    std::string strPath = dir.File("bad.kvb");
    struct Case {
        BitmapHeader header;
        const char* pszLine;
    } cases[] = {
        {MakeHeader(kBlock), "位图文件标识错"},
        {MakeHeader(kBlock), "位图版本错"},
        {MakeHeader(kBlock, 0), "位图文件块大小错 0"},
        {MakeHeader(kBlock, -5), "位图文件块大小错 -5"},
        {MakeHeader(kBlock, (1 << 20) + 1), "位图文件块大小错 1048577"},
        // Only the size this program writes: a table of 32 KiB blocks would mark unwritten
        // halves done.
        {MakeHeader(kBlock * 8, 32768), "位图文件块大小错 32768"},
        {MakeHeader((int64_t(1) << 32) + 1), "文件实际长度错 4294967297"},
        {MakeHeader(-1), "文件实际长度错 -1"},
        // Hostile: a legal length in one-byte blocks would need a 4 GiB table.
        {MakeHeader(int64_t(1) << 32, 1), "位图文件块大小错 1"},
        {MakeHeader(int64_t(1) << 31, 3), "位图文件块大小错 3"},
    };
    cases[0].header.szMagic[3] = 'X';
    cases[1].header.nVersion = 2;
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(strPath, MakeTableFile(c.header, {}).data(), 256));
        CBitmapFile table;
        EXPECT_FALSE(table.Open(strPath.c_str())) << c.pszLine;
        EXPECT_FALSE(table.IsOpen());
        EXPECT_EQ(table.GetBlockCountInTable(), 0);
        EXPECT_TRUE(log.Contains(std::string("CBitmapFile::Open(") + strPath + ") " + c.pszLine))
            << c.pszLine;
    }
    ASSERT_TRUE(WriteFileBytes(strPath, "KVDLBMP", 8));
    CBitmapFile table;
    EXPECT_FALSE(table.Open(strPath.c_str()));
    EXPECT_TRUE(log.Contains("文件头读取失败"));
    std::string strBefore = log.Text();
    EXPECT_FALSE(table.Open(dir.File("missing.kvb").c_str()));
    EXPECT_EQ(log.Text(), strBefore);
}

TEST(BitmapFile, OpenResizesTheFileAndContinuesCountersAndTime) {
    CTempDir dir;
    std::string strPath = dir.File("a.kvb");
    BitmapHeader header = MakeHeader(3 * kBlock);
    header.i64Downloaded = 32768;
    header.nElapsedMs = 50000;
    // Too long: cut to 256 + 3.
    ASSERT_TRUE(WriteFileBytes(strPath, MakeTableFile(header, {255, 0, 255, 7, 7, 7}).data(), 262));
    {
        CBitmapFile table;
        ASSERT_TRUE(table.Open(strPath.c_str()));
        EXPECT_EQ(table.GetDownloaded(), 32768);
        EXPECT_GE(table.GetElapsed(), 50000u);
        EXPECT_LT(table.GetElapsed(), 55000u);
        EXPECT_EQ(States(table), (std::vector<int>{255, 1, 255}));
    }
    EXPECT_EQ(FileSize(strPath), 259);
    // Too short: grown, the missing entries read as free.
    ASSERT_TRUE(WriteFileBytes(strPath, MakeTableFile(header, {255}).data(), 257));
    CBitmapFile table;
    ASSERT_TRUE(table.Open(strPath.c_str()));
    EXPECT_EQ(FileSize(strPath), 259);
    EXPECT_EQ(States(table), (std::vector<int>{255, 1, 1}));
}
