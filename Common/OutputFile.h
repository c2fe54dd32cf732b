// The shared sink of one segmented download: the partial data file (target + ".kvd", a plain
// image of the remote file at full length) and its block table (target + ".kvb").
//
// Open and Close run on the download manager's thread while no worker runs. WriteData,
// IsBlockDone and GetNextRange may be called by the workers at the same time; they are
// serialised by the object's lock. GetDownloaded may be read from any thread.
#pragma once

#include <atomic>
#include <string>

#include "BitmapFile.h"
#include "Handles.h"

// Derives privately from the block bitmap file: only the locked operations below reach the
// table, so no worker can touch it unlocked.
class COutputFile : private CBitmapFile {
public:
    COutputFile();
    ~COutputFile() override;

    // Resumes the table of an earlier run when it was made for the same length and remote
    // date and the data file it describes is still there at full length; otherwise starts
    // with an empty table. False (logged) when either file cannot be made ready.
    bool Open(const char* pszTarget, int64_t i64Length, FILETIME ftRemote);
    // Writes the table back and closes both files.
    void Close();
    // Writes bytes at their offset. Each block they cover whole (the short last block of the
    // file counts as whole) turns done: its bytes are counted once and the table file is
    // brought up to date before the call returns. A piece of a block is written but leaves
    // the block not done. A failure no retry can mend (a full volume, for one) is also kept
    // for GetLastingWriteError.
    bool WriteData(int64_t i64Offset, const void* pBuffer, int nSize);
    // Any thread: the system error of a block write that failed for good since Open, else 0.
    DWORD GetLastingWriteError() const { return m_dwLastingError.load(); }
    // Test seam, like IsOutputOpen and IsResumed: how the file stands, for tests to check.
    bool IsBlockDone(int64_t i64Offset);
    // How many blocks from the one holding the offset on are not done, at most nMax.
    int CountUndoneBlocks(int64_t i64Offset, int nMax);
    // *pnOwner: the worker whose share the range was taken from, 0 when it was no takeover.
    bool GetNextRange(int nWorker, int64_t& i64FirstByte, int64_t& i64LastByte, int* pnOwner = nullptr);
    // A taken-over range its taker will not fetch: the blocks not done go back to nOwner.
    void GiveBack(int nWorker, int nOwner, int64_t i64FirstByte, int64_t i64LastByte);
    // The range of a run read as one stream: from the first block not done to the end of the
    // file, whoever's share it is. False when every block is done.
    bool GetStreamRange(int64_t& i64FirstByte, int64_t& i64LastByte);
    bool IsComplete();
    bool IsOutputOpen() const { return m_bOutputOpen; }
    // True when the last Open took over the table of an earlier run.
    bool IsResumed() const { return m_bResumed; }

    // Fixed while open, or safe to read from any thread.
    using CBitmapFile::GetBlockSize;
    using CBitmapFile::GetDownloaded;
    using CBitmapFile::GetElapsed;
    using CBitmapFile::GetLength;
    using CBitmapFile::GetWorkerCount;

private:
    bool OpenTable(const std::string& strTable, int64_t i64Length, FILETIME ftRemote);
    static bool IsFullDataFile(const std::string& strData, int64_t i64Length);
    bool OpenData(const std::string& strData, int64_t i64Length);
    // Errors a later write may not meet again (a lock another program holds for a moment,
    // memory short for a moment) are the exception; every other failure stays.
    static bool IsLastingWriteError(DWORD dwError);

    std::string m_strBasePath;
    CCriticalSection m_lock;
    CFileHandle m_hData;
    bool m_bOutputOpen;
    bool m_bResumed;
    std::atomic<DWORD> m_dwLastingError;
};
