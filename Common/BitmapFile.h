// The block table of a segmented download and its ".kvb" companion file.
//
// A download is cut into blocks of 16384 bytes; one state byte per block says whether the
// block is free (0), the share of worker 1 to 5, or done (255). The table (CBlockTable)
// decides which range a worker fetches next; the ".kvb" file keeps it across runs so that a
// later run resumes where the last stopped.
//
// No locking inside: COutputFile derives from this class and calls it under its own lock.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "BlockTable.h"
#include "Handles.h"

// The 44 bytes at the start of a ".kvb" file, as fields. The file layout (little-endian):
// magic[8] version[4] block size[4] remote date[8] length[8] bytes written[8] time[4].
struct BitmapHeader {
    char szMagic[8];
    int32_t nVersion;
    int32_t nBlockSize;
    FILETIME ftRemote;
    int64_t i64Length;
    int64_t i64Downloaded;
    uint32_t nElapsedMs;
};

// Why a header read back from a file cannot be used.
enum class BitmapHeaderError { None, Magic, Version, BlockSize, Length, TooManyBlocks };

class CBitmapFile {
public:
    static constexpr int kHeaderBytes = 44;
    static constexpr int kTableOffset = 256;
    static constexpr int kBlockSize = 16384;
    static constexpr int kVersion = 1;
    static constexpr int kMaxWorkers = CBlockTable::kMaxWorkers;
    static constexpr uint8_t kDone = CBlockTable::kDone;
    static constexpr int64_t kMaxLength = int64_t(1) << 32;
    // A table is never larger than this, whatever a file claims: a 4 GiB download in
    // 16 KiB blocks needs 262144 entries.
    static constexpr int64_t kMaxBlocks = int64_t(1) << 22;

    CBitmapFile();
    virtual ~CBitmapFile();
    CBitmapFile(const CBitmapFile&) = delete;
    CBitmapFile& operator=(const CBitmapFile&) = delete;

    // Header bytes <-> fields; pure functions over 44 bytes.
    static void EncodeHeader(const BitmapHeader& header, uint8_t* pOut);
    static void DecodeHeader(const uint8_t* pIn, BitmapHeader& header);
    static BitmapHeaderError CheckHeader(const BitmapHeader& header);
    static int64_t BlockCount(int64_t i64Length, int nBlockSize) {
        return CBlockTable::BlockCount(i64Length, nBlockSize);
    }

    // Creates (replaces) the file with an empty table. False and not open on failure.
    bool Create(const char* pszPath, int64_t i64Length, FILETIME ftRemote);
    // Opens an existing file; false (logged, except for a missing file) when it cannot be
    // used. Read-back worker marks turn free; the initial shares are then assigned.
    bool Open(const char* pszPath);
    // Writes back and closes; nothing when not open.
    void Close();
    // Reads the table at offset 256. False leaves every block free.
    bool Read();
    // Writes the whole header and table.
    bool Write();
    // Writes the header and only the table bytes changed since the last write; leaves the
    // same bytes in the file as Write.
    bool WriteChanges();

    // Test seams: IsOpen, SetBlockStates and GetBlockCountInTable let tests arrange and read a
    // table; the program itself goes through the other calls here.
    bool IsOpen() const { return m_bOpen; }
    // The table calls below do nothing (or give 0 and false) when the file is not open.
    uint8_t GetBlockState(int64_t nBlock) const { return m_bOpen ? m_table.GetState(nBlock) : 0; }
    void SetBlockStates(int64_t nFirst, int64_t nEnd, uint8_t nValue) {
        if (m_bOpen)
            m_table.SetStates(nFirst, nEnd, nValue);
    }
    int GetBlockSize() const { return m_header.nBlockSize; }
    int64_t GetLength() const { return m_header.i64Length; }
    FILETIME GetRemoteDate() const { return m_header.ftRemote; }
    // Consistent from any thread without the lock.
    int64_t GetDownloaded() const { return m_i64Downloaded.load(); }
    void AddDownloaded(int64_t i64Bytes) { m_i64Downloaded.fetch_add(i64Bytes); }
    uint32_t GetElapsed() const { return ::GetTickCount() - m_dwStartTick; }
    int GetWorkerCount() const { return m_table.GetWorkerCount(); }
    int64_t GetBlockCountInTable() const { return m_table.GetBlockCount(); }

    bool FindRun(uint8_t nValue, int64_t nStart, int64_t& nFirst, int64_t& nEnd) const {
        return m_table.FindRun(nValue, nStart, nFirst, nEnd);
    }
    bool FindRuns(uint8_t nValue, std::vector<int64_t>& firsts, std::vector<int64_t>& ends) const {
        return m_table.FindRuns(nValue, firsts, ends);
    }
    void AssignInitialShares() { m_table.AssignInitialShares(); }
    bool GetNextRange(int nWorker, int64_t& i64FirstByte, int64_t& i64LastByte, int* pnOwner = nullptr) {
        return m_bOpen && m_table.GetNextRange(nWorker, i64FirstByte, i64LastByte, pnOwner);
    }
    bool IsComplete() const { return m_table.IsComplete(); }

protected:
    CBlockTable& Table() { return m_table; }
    const CBlockTable& Table() const { return m_table; }
    static bool WriteAt(HANDLE hFile, int64_t i64Offset, const void* pData, DWORD nSize);
    static bool SetFileLength(HANDLE hFile, int64_t i64Length);

private:
    static bool ReadAt(HANDLE hFile, int64_t i64Offset, void* pData, DWORD nSize, DWORD& nRead);
    bool ValidateOpened(const char* pszPath);
    bool ResizeToTable(const char* pszPath);
    bool WriteHeader();

    bool m_bOpen;
    BitmapHeader m_header;
    std::atomic<int64_t> m_i64Downloaded;
    CBlockTable m_table;
    CFileHandle m_hFile;
    DWORD m_dwStartTick;
};
