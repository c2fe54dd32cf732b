#include "BlockTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const int kBlock = 16384;

// A table for a file of i64Length bytes with the shares handed out, as a new file gets it.
CBlockTable Shared(int64_t i64Length) {
    CBlockTable table;
    table.Reset(i64Length, kBlock);
    table.AssignInitialShares();
    return table;
}

std::vector<int> States(const CBlockTable& table) {
    std::vector<int> states;
    for (int64_t i = 0; i < table.GetBlockCount(); ++i) states.push_back(table.GetState(i));
    return states;
}

// Lengths of the consecutive runs of each worker's number, in table order.
std::vector<int64_t> ShareSizes(const CBlockTable& table) {
    std::vector<int64_t> sizes;
    std::vector<int64_t> firsts, ends;
    for (int w = 1; w <= CBlockTable::kMaxWorkers; ++w) {
        table.FindRuns(static_cast<uint8_t>(w), firsts, ends);
        for (size_t j = 0; j < firsts.size(); ++j) sizes.push_back(ends[j] - firsts[j]);
    }
    return sizes;
}

}  // namespace

TEST(BlockTable, WorkerCountFollowsTheBlockCount) {
    CBlockTable empty = Shared(0);
    EXPECT_EQ(empty.GetBlockCount(), 0);
    EXPECT_EQ(empty.GetWorkerCount(), 0);
    EXPECT_TRUE(empty.IsComplete());
    int64_t first = 0, last = 0;
    EXPECT_FALSE(empty.GetNextRange(1, first, last));
    struct Case {
        int64_t i64Length;
        int64_t nBlocks;
        int nWorkers;
    } cases[] = {{1, 1, 1},
                 {16 * kBlock, 16, 1},
                 {16 * kBlock + 1, 17, 2},
                 {64 * kBlock, 64, 4},
                 {65 * kBlock, 65, 5},
                 {int64_t(1) << 32, 262144, 5}};
    for (const Case& c : cases) {
        CBlockTable table = Shared(c.i64Length);
        EXPECT_EQ(table.GetBlockCount(), c.nBlocks) << c.i64Length;
        EXPECT_EQ(table.GetWorkerCount(), c.nWorkers) << c.i64Length;
        EXPECT_FALSE(table.IsComplete());
    }
    EXPECT_EQ(CBlockTable::BlockCount(1000, 0), 0);
}

TEST(BlockTable, InitialSharesSplitOneFreeRunOrHandOutSeveral) {
    EXPECT_EQ(ShareSizes(Shared(100 * kBlock)), (std::vector<int64_t>{20, 20, 20, 20, 20}));
    CBlockTable table = Shared(100 * kBlock + 5);
    EXPECT_EQ(ShareSizes(table), (std::vector<int64_t>{21, 21, 21, 21, 17}));
    EXPECT_EQ(table.GetState(0), 1);
    EXPECT_EQ(table.GetState(84), 5);
    EXPECT_EQ(table.GetState(100), 5);

    // Three free runs with two workers: the first two go whole, the third stays free.
    table.Reset(20 * kBlock, kBlock);
    table.SetStates(5, 6, 255);
    table.SetStates(12, 13, 255);
    table.AssignInitialShares();
    std::vector<int> want(20, 0);
    for (int i = 0; i < 5; ++i) want[i] = 1;
    for (int i = 6; i < 12; ++i) want[i] = 2;
    want[5] = want[12] = 255;
    EXPECT_EQ(States(table), want);

    // States read back: worker marks of another run turn free, done stays done.
    table.Reset(3 * kBlock, kBlock);
    table.Load({1, 2, 255});
    EXPECT_EQ(States(table), (std::vector<int>{0, 0, 255}));
}

TEST(BlockTable, NextRangeTakesOwnShareThenFreeBlocksThenHalfOfTheLongestRun) {
    CBlockTable table = Shared(80 * kBlock - 100);
    int64_t first = 0, last = 0;
    // Own share first, reaching the end of the file: the last byte is the file's last.
    ASSERT_TRUE(table.GetNextRange(5, first, last));
    EXPECT_EQ(first, 64 * kBlock);
    EXPECT_EQ(last, 80 * kBlock - 101);
    ASSERT_TRUE(table.GetNextRange(1, first, last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 16 * kBlock - 1);
    EXPECT_FALSE(table.GetNextRange(6, first, last));

    // No own share: a free run is claimed whole.
    table.SetStates(0, 80, 255);
    table.SetStates(30, 35, 0);
    ASSERT_TRUE(table.GetNextRange(4, first, last));
    EXPECT_EQ(first, 30 * kBlock);
    EXPECT_EQ(last, 35 * kBlock - 1);
    EXPECT_EQ(table.GetState(34), 4);

    // Runs of 40 and 40 left to workers 2 and 3: the first wins, its second half is taken.
    table.SetStates(0, 40, 2);
    table.SetStates(40, 80, 3);
    int nOwner = -1;
    ASSERT_TRUE(table.GetNextRange(1, first, last, &nOwner));
    EXPECT_EQ(first, 20 * kBlock);
    EXPECT_EQ(last, 40 * kBlock - 1);
    EXPECT_EQ(nOwner, 2);
    EXPECT_EQ(table.GetState(19), 2);
    EXPECT_EQ(table.GetState(20), 1);
    EXPECT_EQ(table.GetState(39), 1);
    EXPECT_EQ(table.GetState(40), 3);
    // A taker that lets the owner finish gives back what is not done yet, and only that.
    table.SetStates(25, 26, 255);
    table.GiveBack(1, 2, 20, 40);
    EXPECT_EQ(table.GetState(20), 2);
    EXPECT_EQ(table.GetState(25), 255);
    EXPECT_EQ(table.GetState(39), 2);
    EXPECT_EQ(table.GetState(40), 3);
    ASSERT_TRUE(table.GetNextRange(2, first, last, &nOwner));
    EXPECT_EQ(nOwner, 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 25 * kBlock - 1);

    // An odd run of 33 gives the taker the larger half; runs of 15 are not worth taking.
    table.SetStates(0, 80, 255);
    table.SetStates(10, 43, 3);
    ASSERT_TRUE(table.GetNextRange(2, first, last));
    EXPECT_EQ(first, 26 * kBlock);
    EXPECT_EQ(last, 43 * kBlock - 1);
    table.SetStates(0, 80, 255);
    table.SetStates(0, 15, 2);
    table.SetStates(15, 30, 3);
    EXPECT_FALSE(table.GetNextRange(1, first, last));
    table.SetStates(0, 30, 255);
    EXPECT_TRUE(table.IsComplete());
}

TEST(BlockTable, OnlyWholeBlocksTurnDoneAndTheChangedSpanCoversThem) {
    CBlockTable table = Shared(6 * kBlock + 100);
    int64_t nFirst = 0, nEnd = 0;
    ASSERT_TRUE(table.GetChanges(nFirst, nEnd));
    table.ClearChanges();
    EXPECT_FALSE(table.GetChanges(nFirst, nEnd));
    // Blocks 1 to 3 whole, a piece of block 4; a start inside block 0 leaves it.
    EXPECT_EQ(table.MarkWholeBlocksDone(kBlock - 10, 3 * kBlock + 500), 3 * kBlock);
    EXPECT_EQ(States(table), (std::vector<int>{1, 255, 255, 255, 1, 1, 1}));
    ASSERT_TRUE(table.GetChanges(nFirst, nEnd));
    EXPECT_EQ(nFirst, 1);
    EXPECT_EQ(nEnd, 4);
    // Done blocks count once; the short last block of the file is whole.
    EXPECT_EQ(table.MarkWholeBlocksDone(kBlock, kBlock), 0);
    EXPECT_EQ(table.MarkWholeBlocksDone(6 * kBlock, 100), 100);
    EXPECT_EQ(table.CountUndone(0, 10), 1);
    EXPECT_EQ(table.CountUndone(4 * kBlock, 10), 2);
    EXPECT_EQ(table.CountUndone(4 * kBlock, 1), 1);
    EXPECT_EQ(table.CountUndone(2 * kBlock, 10), 0);
    EXPECT_EQ(table.MarkWholeBlocksDone(0, 7 * kBlock), 3 * kBlock);
    EXPECT_TRUE(table.IsComplete());
}
