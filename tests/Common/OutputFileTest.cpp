#include "OutputFile.h"

#include <gtest/gtest.h>

#include "DownloadTestUtil.h"
#include "TestSupport.h"

namespace {

const int kBlock = CBitmapFile::kBlockSize;
const FILETIME kDate = {0x01020304, 0x01D9AABB};

std::vector<uint8_t> ReadTable(const std::string& strTarget) {
    std::vector<uint8_t> raw;
    ReadFileBytes(strTarget + ".kvb", raw);
    return raw;
}

}  // namespace

TEST(OutputFile, BlocksTurnDoneOnlyWhenWholeAndCountOnce) {
    CTempDir dir;
    std::string strTarget = dir.File("file.bin");
    const int64_t i64Length = 3 * kBlock + 100;
    std::vector<uint8_t> content = MakeContent(static_cast<size_t>(i64Length), 7);
    COutputFile out;
    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length, kDate));
    EXPECT_FALSE(out.IsResumed());
    EXPECT_EQ(FileSize(strTarget + ".kvd"), i64Length);
    EXPECT_EQ(FileSize(strTarget + ".kvb"), 256 + 4);

    ASSERT_TRUE(out.WriteData(kBlock, &content[kBlock], kBlock));
    EXPECT_TRUE(out.IsBlockDone(kBlock + 500));
    EXPECT_EQ(out.GetDownloaded(), kBlock);
    // The table file is current after each block.
    std::vector<uint8_t> raw = ReadTable(strTarget);
    EXPECT_EQ(raw[256 + 1], 255);
    EXPECT_EQ(LoadI64(raw, 32), kBlock);
    // The same block again does not count twice.
    ASSERT_TRUE(out.WriteData(kBlock, &content[kBlock], kBlock));
    EXPECT_EQ(out.GetDownloaded(), kBlock);

    // A piece of a block (a cut connection) is not done, nor is one that starts mid-block.
    ASSERT_TRUE(out.WriteData(0, &content[0], 1000));
    EXPECT_FALSE(out.IsBlockDone(0));
    ASSERT_TRUE(out.WriteData(2 * kBlock + 10, &content[2 * kBlock + 10], kBlock - 10));
    EXPECT_FALSE(out.IsBlockDone(2 * kBlock));
    EXPECT_EQ(out.GetDownloaded(), kBlock);

    // The short last block of the file is whole.
    ASSERT_TRUE(out.WriteData(3 * kBlock, &content[3 * kBlock], 100));
    EXPECT_TRUE(out.IsBlockDone(3 * kBlock));
    ASSERT_TRUE(out.WriteData(0, &content[0], kBlock));
    ASSERT_TRUE(out.WriteData(2 * kBlock, &content[2 * kBlock], kBlock));
    EXPECT_TRUE(out.IsComplete());
    EXPECT_EQ(out.GetDownloaded(), i64Length);
    out.Close();
    std::vector<uint8_t> data;
    ASSERT_TRUE(ReadFileBytes(strTarget + ".kvd", data));
    EXPECT_TRUE(data == content);
    raw = ReadTable(strTarget);
    EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 256, raw.end()), std::vector<uint8_t>(4, 255));
}

TEST(OutputFile, AWriteOfSeveralBlocksMarksEachWholeOne) {
    CTempDir dir;
    std::string strTarget = dir.File("file.bin");
    const int64_t i64Length = 6 * kBlock + 100;
    std::vector<uint8_t> content = MakeContent(static_cast<size_t>(i64Length), 9);
    COutputFile out;
    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length, kDate));
    ASSERT_TRUE(out.WriteData(kBlock, &content[kBlock], 3 * kBlock + 500));
    EXPECT_FALSE(out.IsBlockDone(0));
    EXPECT_TRUE(out.IsBlockDone(kBlock));
    EXPECT_TRUE(out.IsBlockDone(3 * kBlock));
    EXPECT_FALSE(out.IsBlockDone(4 * kBlock));
    EXPECT_EQ(out.GetDownloaded(), 3 * kBlock);
    EXPECT_EQ(out.CountUndoneBlocks(0, 10), 1);
    EXPECT_EQ(out.CountUndoneBlocks(4 * kBlock, 10), 3);
    EXPECT_EQ(out.CountUndoneBlocks(4 * kBlock, 2), 2);
    EXPECT_EQ(out.CountUndoneBlocks(2 * kBlock, 10), 0);
    // From the middle of block 4 to the end: blocks 5 and the short 6 are whole.
    ASSERT_TRUE(out.WriteData(4 * kBlock + 10, &content[4 * kBlock + 10], 2 * kBlock + 90));
    EXPECT_FALSE(out.IsBlockDone(4 * kBlock));
    EXPECT_TRUE(out.IsBlockDone(5 * kBlock));
    EXPECT_TRUE(out.IsBlockDone(6 * kBlock));
    EXPECT_EQ(out.GetDownloaded(), 4 * kBlock + 100);
    std::vector<uint8_t> raw = ReadTable(strTarget);
    EXPECT_EQ(std::vector<uint8_t>(raw.begin() + 256, raw.end()),
              (std::vector<uint8_t>{1, 255, 255, 255, 1, 255, 255}));
    EXPECT_EQ(LoadI64(raw, 32), 4 * kBlock + 100);
}

TEST(OutputFile, ResumesOnlyTheSameRemoteFileWithItsData) {
    CTempDir dir;
    std::string strTarget = dir.File("file.bin");
    const int64_t i64Length = 40 * kBlock;
    std::vector<uint8_t> block(kBlock, 0xAB);
    COutputFile out;
    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length, kDate));
    ASSERT_TRUE(out.WriteData(0, block.data(), kBlock));
    ASSERT_TRUE(out.WriteData(5 * kBlock, block.data(), kBlock));
    out.Close();

    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length, kDate));
    EXPECT_TRUE(out.IsResumed());
    EXPECT_TRUE(out.IsBlockDone(0));
    EXPECT_TRUE(out.IsBlockDone(5 * kBlock));
    EXPECT_FALSE(out.IsBlockDone(kBlock));
    EXPECT_EQ(out.GetDownloaded(), 2 * kBlock);
    int64_t first = 0, last = 0;
    ASSERT_TRUE(out.GetNextRange(1, first, last));
    EXPECT_EQ(first, kBlock);
    EXPECT_EQ(last, 5 * kBlock - 1);
    out.Close();

    // Another date: a fresh table; another length: fresh, and the data file follows.
    FILETIME ftOther = kDate;
    ftOther.dwHighDateTime ^= 0x100;
    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length, ftOther));
    EXPECT_FALSE(out.IsResumed());
    EXPECT_FALSE(out.IsBlockDone(0));
    EXPECT_EQ(out.GetDownloaded(), 0);
    ASSERT_TRUE(out.WriteData(0, block.data(), kBlock));
    out.Close();
    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length + 1, ftOther));
    EXPECT_FALSE(out.IsResumed());
    EXPECT_FALSE(out.IsBlockDone(0));
    EXPECT_EQ(FileSize(strTarget + ".kvd"), i64Length + 1);
    ASSERT_TRUE(out.WriteData(0, block.data(), kBlock));
    out.Close();

    // A matching table whose data file is gone, or cut short, is not trusted.
    ASSERT_TRUE(::DeleteFileA((strTarget + ".kvd").c_str()));
    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length + 1, ftOther));
    EXPECT_FALSE(out.IsResumed());
    EXPECT_FALSE(out.IsBlockDone(0));
    ASSERT_TRUE(out.WriteData(0, block.data(), kBlock));
    out.Close();
    ASSERT_TRUE(WriteFileBytes(strTarget + ".kvd", block.data(), 10));
    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length + 1, ftOther));
    EXPECT_FALSE(out.IsResumed());
    EXPECT_FALSE(out.IsBlockDone(0));
}

TEST(OutputFile, HostileOrBrokenTableStartsAfresh) {
    CTempDir dir;
    CLogCapture log(dir.File("log.txt"));
    std::string strTarget = dir.File("file.bin");
    std::vector<uint8_t> zeros(kBlock, 0);
    ASSERT_TRUE(WriteFileBytes(strTarget + ".kvd", zeros.data(), 1000));
    BitmapHeader header = MakeHeader(1000, 1);
    header.i64Length = int64_t(1) << 32;
    ASSERT_TRUE(WriteFileBytes(strTarget + ".kvb", MakeTableFile(header, {}).data(), 256));
    COutputFile out;
    ASSERT_TRUE(out.Open(strTarget.c_str(), 1000, kDate));
    EXPECT_FALSE(out.IsResumed());
    EXPECT_EQ(out.GetBlockSize(), kBlock);
    EXPECT_EQ(out.GetWorkerCount(), 1);
    out.Close();
    EXPECT_TRUE(log.Contains("位图文件块大小错 1"));
    EXPECT_EQ(FileSize(strTarget + ".kvb"), 257);

    // Nothing is written, counted or logged through a closed object.
    std::string strBefore = log.Text();
    EXPECT_FALSE(out.WriteData(0, zeros.data(), 1000));
    EXPECT_FALSE(out.IsBlockDone(0));
    int64_t first = 0, last = 0;
    EXPECT_FALSE(out.GetNextRange(1, first, last));
    EXPECT_EQ(log.Text(), strBefore);

    // A table that cannot be made (a folder holds its name) fails with its line and leaves
    // no data file.
    std::string strBlocked = dir.File("blocked.bin");
    ASSERT_TRUE(::CreateDirectoryA((strBlocked + ".kvb").c_str(), nullptr));
    ASSERT_TRUE(WriteFileText(strBlocked + ".kvb\\inside.txt", "x"));
    EXPECT_FALSE(out.Open(strBlocked.c_str(), 1000, kDate));
    EXPECT_FALSE(out.IsOutputOpen());
    EXPECT_TRUE(log.Contains("COutputFile::Open 位图文件创建失败 " + strBlocked + ".kvb\r\n"));
    EXPECT_FALSE(FileExists(strBlocked + ".kvd"));
}

TEST(OutputFile, ConcurrentWorkersFillTheFileExactly) {
    CTempDir dir;
    std::string strTarget = dir.File("file.bin");
    const int64_t i64Length = 100 * kBlock + 1234;
    std::vector<uint8_t> content = MakeContent(static_cast<size_t>(i64Length), 3);
    COutputFile out;
    ASSERT_TRUE(out.Open(strTarget.c_str(), i64Length, kDate));
    ASSERT_EQ(out.GetWorkerCount(), 5);
    struct Ctx {
        COutputFile* pOut;
        const std::vector<uint8_t>* pContent;
        int nWorker;
    };
    // A thread entry: stdcall, which a lambda is not on 32-bit.
    LPTHREAD_START_ROUTINE body = [](LPVOID p) WINAPI -> DWORD {
        Ctx* ctx = static_cast<Ctx*>(p);
        int64_t first = 0, last = 0;
        while (ctx->pOut->GetNextRange(ctx->nWorker, first, last)) {
            for (int64_t pos = first; pos <= last && !ctx->pOut->IsBlockDone(pos); pos += kBlock) {
                int n = static_cast<int>(std::min<int64_t>(kBlock, last + 1 - pos));
                ctx->pOut->WriteData(pos, ctx->pContent->data() + pos, n);
            }
        }
        return 0;
    };
    Ctx ctx[5];
    HANDLE threads[5];
    for (int i = 0; i < 5; ++i) {
        ctx[i] = Ctx{&out, &content, i + 1};
        threads[i] = ::CreateThread(nullptr, 0, body, &ctx[i], 0, nullptr);
        ASSERT_NE(threads[i], nullptr);
    }
    ASSERT_EQ(::WaitForMultipleObjects(5, threads, TRUE, 30000), WAIT_OBJECT_0);
    for (HANDLE h : threads) ::CloseHandle(h);
    EXPECT_TRUE(out.IsComplete());
    EXPECT_EQ(out.GetDownloaded(), i64Length);
    out.Close();
    std::vector<uint8_t> data;
    ASSERT_TRUE(ReadFileBytes(strTarget + ".kvd", data));
    EXPECT_TRUE(data == content);
}
