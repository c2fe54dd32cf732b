// One of the up to five parallel connections of a segmented download. A worker asks the
// run's output file for its next byte range (its own share, free blocks, or half of a
// slower worker's share), fetches it with one ranged GET on its own HTTP client and writes it
// block by block. It ends when no range is left, when stopped, or after a request failure
// that is not worth retrying.
#pragma once

#include <cstdint>
#include <string>

#include "HttpClass.h"
#include "WorkerHost.h"
#include "WorkerThread.h"

class CDownloadThread : public CWorkerThread {
public:
    // The host (the download manager) owns the worker and outlives its thread. nId is 1 to 5.
    CDownloadThread(IWorkerHost* pHost, int nId);

protected:
    void OnExecute() override;

private:
    // The worker's thread only, like the two below. True with a range in position/last byte.
    bool GetUnfinishBytes();
    // True when the ranged request is open for reading. A 5xx answer or a network error
    // (a wrong Content-Range among them) waits a second (or until stopped) and gives false;
    // any other failure also stops the worker. An answer dated otherwise than the size query
    // tells the host that the file has changed and stops the worker.
    bool RequestRange(CHttpClass& http);
    // Reads the open range until it ends, a done block is met (except by the run's one
    // stream, which reads through them), or stopped. Whole blocks written count as activity,
    // and so do bytes read beyond any this worker has read before; a request that ends
    // before its first whole block waits a second before the next one, as a server error does.
    void Receive(CHttpClass& http);
    // True when the open answer is this worker's to read: false when another worker holds
    // the run's one stream. A 200 to a part of the file makes this worker claim it, and moves
    // the position and last byte to the stream's range.
    bool TakeAnswer(CHttpClass& http);
    // Another worker holds the run's one stream: this one has nothing left to do.
    bool IsOutrun() const;
    bool SkipToPosition(CHttpClass& http);
    // True when the offset lies beyond any byte this worker has read; it then becomes the mark.
    bool ReachFurther(int64_t i64Offset);
    // False for a taken-over range that its owner reads to its end sooner than a new request
    // of this worker would start.
    bool IsWorthTakingOver() const;
    void NoteRate(int64_t i64Bytes, DWORD dwMs);
    // One step of Receive: size the read, read, commit the whole blocks; false when the
    // range ends here.
    bool ReceiveChunk(CHttpClass& http);
    // Bytes to ask for next: the blocks not done from the position on, up to the read size
    // and the end of the range; 0 when the block at the position is done.
    int SizeNextRead();
    // Writes the whole blocks of nCount bytes read at the position (a piece of a block is
    // dropped unless the file ends there) and moves the position past them; false when the
    // write fails.
    bool CommitWholeBlocks(int nCount);
    void AdaptChunk(DWORD dwElapsedMs, bool bFull);
    // Reads and drops what is left of the answer while it comes fast.
    void DropRest(CHttpClass& http);

    // One read asks for one block up to kMaxChunkBytes: doubled after a read faster than
    // kFastReadMs, halved after one slower than kSlowReadMs.
    static constexpr int kMaxChunkBytes = 1 << 20;
    static constexpr DWORD kFastReadMs = 20;
    static constexpr DWORD kSlowReadMs = 60;
    static constexpr int64_t kMinRateBytes = 256 * 1024;

    IWorkerHost* m_pHost;
    int m_nId;
    DownloadJob m_job;
    int m_nBlockSize;
    int64_t m_i64Position;
    int64_t m_i64LastByte;
    int m_nChunkBlocks;
    int m_nMaxChunkBlocks;
    // The last read of the open request ended before the bytes asked for.
    bool m_bEndedEarly;
    // Whether the open answer, and the one before it, wrote at least one block.
    bool m_bWroteThisAnswer;
    bool m_bWroteLastAnswer;
    // The furthest offset this worker has read up to, in any answer.
    int64_t m_i64Furthest;
    // The worker whose share the current range was taken from; 0 when none.
    int m_nTakenFrom;
    // How long the last ranged request took to answer, and the bytes and time of the last
    // range read at length.
    DWORD m_dwRequestMs;
    int64_t m_i64RateBytes;
    DWORD m_dwRateMs;
    // Room for the largest read; reused for the life of the worker.
    ByteVector m_buffer;
};
