// The state of every block of one download in memory: which blocks are free, whose share
// they are, which are done, and which range each worker fetches next. No file and no lock:
// the ".kvb" file (CBitmapFile) stores it and the output file serialises access to it.
#pragma once

#include <cstdint>
#include <vector>

class CBlockTable {
public:
    static constexpr uint8_t kFree = 0;
    static constexpr uint8_t kDone = 255;
    static constexpr int kMaxWorkers = 5;
    static constexpr int kBlocksPerWorker = 16;
    static constexpr int kMinTakeOverBlocks = 16;

    // ceil(length / block size); 0 when the block size or the length is not positive.
    static int64_t BlockCount(int64_t i64Length, int nBlockSize);
    // One worker per 16 blocks, at most five.
    static int WorkerCountFor(int64_t nBlocks);

    // Every block free, for a file of i64Length bytes in blocks of nBlockSize.
    void Reset(int64_t i64Length, int nBlockSize);
    // Takes states read back from a file (as many as there are blocks): done stays done,
    // every other value turns free, as worker marks only live for one run.
    void Load(const std::vector<uint8_t>& states);
    void Clear() { Reset(0, m_nBlockSize); }

    int64_t GetBlockCount() const { return static_cast<int64_t>(m_states.size()); }
    int GetWorkerCount() const { return m_nWorkerCount; }
    // Bytes of block nBlock: the block size, or less for the last block of the file.
    int64_t BlockLength(int64_t nBlock) const;
    uint8_t GetState(int64_t nBlock) const;
    // Entries outside the table are left alone.
    void SetStates(int64_t nFirst, int64_t nEnd, uint8_t nValue);
    const uint8_t* Data() const { return m_states.data(); }

    // A run is a maximal stretch of blocks with one state: the first at or after nStart.
    bool FindRun(uint8_t nValue, int64_t nStart, int64_t& nFirst, int64_t& nEnd) const;
    bool FindRuns(uint8_t nValue, std::vector<int64_t>& firsts, std::vector<int64_t>& ends) const;
    // One free run is cut into equal shares, one per worker; several go whole to workers
    // 1, 2, ... in order, the rest stay free.
    void AssignInitialShares();
    // The next byte range of worker nWorker: its own share, else a free run claimed whole,
    // else the second half of the longest run of another worker (16 blocks or more), whose
    // number then goes to *pnOwner (0 otherwise).
    bool GetNextRange(int nWorker, int64_t& i64FirstByte, int64_t& i64LastByte, int* pnOwner = nullptr);
    // The blocks of [nFirst, nEnd) still marked nWorker go back to nOwner.
    void GiveBack(int nWorker, int nOwner, int64_t nFirst, int64_t nEnd);
    bool IsComplete() const;
    // How many blocks from the one holding the offset on are not done, at most nMax.
    int CountUndone(int64_t i64Offset, int nMax) const;
    // The first block that is not done, or -1 when every block is.
    int64_t FirstUndone() const;
    // Every block lying whole inside the bytes [offset, offset + size) turns done (the
    // short last block of the file counts as whole); the bytes of blocks newly done.
    int64_t MarkWholeBlocksDone(int64_t i64Offset, int64_t i64Size);

    // Entries changed since the last ClearChanges: [first, end); false when none.
    bool GetChanges(int64_t& nFirst, int64_t& nEnd) const;
    void ClearChanges();
    void MarkAllChanged() { NoteChange(0, GetBlockCount()); }

private:
    bool TakeOver(int nWorker, int64_t& nFirst, int64_t& nEnd);
    void NoteChange(int64_t nFirst, int64_t nEnd);

    std::vector<uint8_t> m_states;
    int64_t m_i64Length = 0;
    int m_nBlockSize = 0;
    int m_nWorkerCount = 0;
    int64_t m_nChangedFirst = INT64_MAX;
    int64_t m_nChangedEnd = 0;
};
