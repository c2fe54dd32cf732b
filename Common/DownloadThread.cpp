#include "DownloadThread.h"

#include <algorithm>

#include "Log.h"
#include "OutputFile.h"

namespace {

bool IsZero(const FILETIME& ft) {
    return ft.dwLowDateTime == 0 && ft.dwHighDateTime == 0;
}

}  // namespace

CDownloadThread::CDownloadThread(IWorkerHost* pHost, int nId)
    : m_pHost(pHost),
      m_nId(nId),
      m_nBlockSize(0),
      m_i64Position(0),
      m_i64LastByte(-1),
      m_nChunkBlocks(1),
      m_nMaxChunkBlocks(1),
      m_bEndedEarly(false),
      m_bWroteThisAnswer(false),
      m_bWroteLastAnswer(false),
      m_i64Furthest(0),
      m_nTakenFrom(0),
      m_dwRequestMs(0),
      m_i64RateBytes(0),
      m_dwRateMs(0) {}

void CDownloadThread::OnExecute() {
    m_job = m_pHost->GetJob();
    CHttpClass http;
    http.SetReceiveTimeout(m_job.dwReceiveTimeoutMs);
    while (!IsStopped()) {
        LOGF(0, "Begin OnExecute GetUnfinishBytes nId=%d \n", m_nId);
        if (!GetUnfinishBytes())
            break;
        if (!IsWorthTakingOver()) {
            LOGF(0, "CDownloadThread nId=%d 剩余部分由 nId=%d 读完更快\n", m_nId, m_nTakenFrom);
            m_pHost->GetOutputFile().GiveBack(m_nId, m_nTakenFrom, m_i64Position, m_i64LastByte);
            break;
        }
        LOGF(0, "End OnExecute GetUnfinishBytes nId=%d \n", m_nId);
        if (IsStopped())
            break;
        if (!RequestRange(http))
            continue;
        if (IsStopped())
            break;
        Receive(http);
        LOGF(0, "End OnExecute Receive nId=%d \n", m_nId);
    }
}

bool CDownloadThread::GetUnfinishBytes() {
    const int nStream = m_pHost->GetStreamWorker();
    m_nTakenFrom = 0;
    if (nStream == 0)
        return m_pHost->GetOutputFile().GetNextRange(m_nId, m_i64Position, m_i64LastByte, &m_nTakenFrom);
    // The one stream reads all that is left; every other worker ends.
    return nStream == m_nId && m_pHost->GetOutputFile().GetStreamRange(m_i64Position, m_i64LastByte);
}

// The owner of a taken-over run still reads it: the taker halves the time left only when the
// half it takes lasts longer, at the rate its last range came in, than a new request takes
// to bring its first byte. At the end of a run on a link with a long round trip it does not.
bool CDownloadThread::IsWorthTakingOver() const {
    if (m_nTakenFrom == 0 || m_i64RateBytes <= 0)
        return true;
    const int64_t i64Bytes = m_i64LastByte + 1 - m_i64Position;
    return i64Bytes * m_dwRateMs > m_i64RateBytes * m_dwRequestMs;
}

bool CDownloadThread::IsOutrun() const {
    const int nStream = m_pHost->GetStreamWorker();
    return nStream != 0 && nStream != m_nId;
}

bool CDownloadThread::TakeAnswer(CHttpClass& http) {
    COutputFile& out = m_pHost->GetOutputFile();
    const bool bWholeFile = m_i64Position == 0 && m_i64LastByte == out.GetLength() - 1;
    // A 200 to a part of the file carries the whole file: this server ignores Range, and
    // every further request would bring the file from byte 0 again.
    if (http.GetCode() == 200 && !bWholeFile && m_pHost->ClaimStream(m_nId))
        return out.GetStreamRange(m_i64Position, m_i64LastByte);
    return !IsOutrun();
}

bool CDownloadThread::RequestRange(CHttpClass& http) {
    const DWORD dwStart = ::GetTickCount();
    HttpResult nResult =
        http.HttpRangeRequest(m_job.strUrl.c_str(), m_i64Position, m_i64LastByte, &m_job.ftRemote);
    m_dwRequestMs = ::GetTickCount() - dwStart;
    FILETIME ftAnswer = {};
    if (nResult == kHttpOk && http.GetLastModified(ftAnswer) && !IsZero(m_job.ftRemote) &&
        !IsZero(ftAnswer) && ::CompareFileTime(&m_job.ftRemote, &ftAnswer) != 0) {
        LOGF(0, "CDownloadThread::RequestRange nId=%d 服务器文件已改变\n", m_nId);
        http.CloseHttpRequest();
        m_pHost->ReportRemoteChanged();
        Stop();
        return false;
    }
    if (nResult == kHttpOk) {
        if (TakeAnswer(http))
            return true;
        http.CloseHttpRequest();
        Stop();
        return false;
    }
    if (IsWorthRetrying(nResult, http.GetCode())) {
        SleepFor(1000);
    } else {
        Stop();
    }
    return false;
}

void CDownloadThread::Receive(CHttpClass& http) {
    m_nBlockSize = m_pHost->GetOutputFile().GetBlockSize();
    if (m_nBlockSize <= 0) {
        LOGF(0, "CDownloadThread::Receive  块大小错误 %d\n", m_nBlockSize);
        return;
    }
    m_nMaxChunkBlocks = std::max(1, kMaxChunkBytes / m_nBlockSize);
    m_nChunkBlocks = std::min(m_nChunkBlocks, m_nMaxChunkBlocks);
    m_buffer.resize(static_cast<size_t>(m_nBlockSize) * m_nMaxChunkBlocks);
    // A server that ignores Range answers 200 with the file from its first byte.
    const int64_t i64Start = m_i64Position;
    m_bEndedEarly = false;
    m_bWroteThisAnswer = false;
    bool bReady = http.GetCode() != 200 || SkipToPosition(http);
    const int64_t i64ReadFrom = m_i64Position;
    const DWORD dwReadStart = ::GetTickCount();
    while (bReady && !IsStopped() && ReceiveChunk(http)) {
    }
    NoteRate(m_i64Position - i64ReadFrom, ::GetTickCount() - dwReadStart);
    if (bReady && !m_bEndedEarly && !IsOutrun())
        DropRest(http);
    http.CloseHttpRequest();
    m_bWroteLastAnswer = m_bWroteThisAnswer;
    // A server that cuts every answer before a whole block must not be asked again at once.
    if ((!bReady || m_bEndedEarly) && m_i64Position == i64Start)
        SleepFor(1000);
}

bool CDownloadThread::ReceiveChunk(CHttpClass& http) {
    if (IsOutrun())
        return false;
    const int nWant = SizeNextRead();
    if (nWant <= 0)
        return false;
    DWORD dwStart = ::GetTickCount();
    int nCount = http.ReceiveBytes(m_buffer.data(), nWant);
    m_bEndedEarly = nCount < nWant;
    if (nCount <= 0)
        return false;
    AdaptChunk(::GetTickCount() - dwStart, nCount == nWant);
    if (!CommitWholeBlocks(nCount))
        return false;
    return nCount == nWant && m_i64Position <= m_i64LastByte;
}

int CDownloadThread::SizeNextRead() {
    // The one stream reads through blocks done already; elsewhere a block already done ends
    // the range: another worker has taken this part over.
    int nBlocks = m_pHost->GetStreamWorker() == m_nId
                      ? m_nChunkBlocks
                      : m_pHost->GetOutputFile().CountUndoneBlocks(m_i64Position, m_nChunkBlocks);
    return static_cast<int>(
        std::min<int64_t>(int64_t(nBlocks) * m_nBlockSize, m_i64LastByte + 1 - m_i64Position));
}

bool CDownloadThread::CommitWholeBlocks(int nCount) {
    COutputFile& out = m_pHost->GetOutputFile();
    // A piece of a block (the connection ended part way) is fetched again with the next
    // request; only the file's own end may cut a block short.
    int nWhole = m_i64Position + nCount == out.GetLength() ? nCount : nCount / m_nBlockSize * m_nBlockSize;
    if (nWhole <= 0)
        return true;
    bool bWrote = false;
    for (int nAt = 0; nAt < nWhole;) {
        // Only blocks not done yet are written; the one stream meets done ones on its way.
        int nRun =
            out.CountUndoneBlocks(m_i64Position + nAt, (nWhole - nAt - 1) / m_nBlockSize + 1) * m_nBlockSize;
        if (nRun == 0) {
            nAt += m_nBlockSize;
            continue;
        }
        nRun = std::min(nRun, nWhole - nAt);
        if (!out.WriteData(m_i64Position + nAt, m_buffer.data() + nAt, nRun)) {
            LOGF(0, "CDownloadThread::Receive WriteFile错误\n");
            // No later block would fare better on a full disk.
            if (out.GetLastingWriteError())
                Stop();
            return false;
        }
        bWrote = true;
        nAt += nRun;
    }
    m_i64Position += nWhole;
    m_bWroteThisAnswer = m_bWroteThisAnswer || bWrote;
    if (ReachFurther(m_i64Position) || bWrote)
        m_pHost->MarkActivity();
    return true;
}

void CDownloadThread::NoteRate(int64_t i64Bytes, DWORD dwMs) {
    // Too short a read says nothing of the link.
    if (i64Bytes < kMinRateBytes || dwMs == 0)
        return;
    m_i64RateBytes = i64Bytes;
    m_dwRateMs = dwMs;
}

bool CDownloadThread::ReachFurther(int64_t i64Offset) {
    if (i64Offset <= m_i64Furthest)
        return false;
    m_i64Furthest = i64Offset;
    return true;
}

// Closing a request with body left makes WinInet drain the rest in small receives, each a
// round trip through the system under Wine, for as long as the server keeps sending (on a
// fast link, the whole rest of the range). On a fast link, reading the rest with full-size
// reads is far cheaper; a slow link stops it at once, where the drain is cheap too.
void CDownloadThread::DropRest(CHttpClass& http) {
    const int nWant = static_cast<int>(m_buffer.size());
    while (m_nChunkBlocks == m_nMaxChunkBlocks && !IsStopped()) {
        DWORD dwStart = ::GetTickCount();
        if (http.ReceiveBytes(m_buffer.data(), nWant) < nWant || ::GetTickCount() - dwStart > kSlowReadMs)
            return;
    }
}

// Fast links get larger reads (fewer calls per byte); slow ones fall back towards one
// block, so that what a hard kill loses stays a fraction of a second's data.
void CDownloadThread::AdaptChunk(DWORD dwElapsedMs, bool bFull) {
    if (!bFull)
        return;
    if (dwElapsedMs < kFastReadMs && m_nChunkBlocks < m_nMaxChunkBlocks) {
        m_nChunkBlocks = std::min(m_nChunkBlocks * 2, m_nMaxChunkBlocks);
    } else if (dwElapsedMs > kSlowReadMs && m_nChunkBlocks > 1) {
        m_nChunkBlocks /= 2;
    }
}

// Reads and drops the body up to the position; false if it ends first or the worker stops.
// Bytes count as activity when they reach further than this worker has read before, or when
// its previous answer wrote blocks: a long skip is then not taken for silence, however deep
// the missing blocks lie, while a server that cuts every answer before anything new still
// ends the run by the time-out.
bool CDownloadThread::SkipToPosition(CHttpClass& http) {
    int64_t i64Reached = 0;
    // Block by block: one large read on a slow link could outlast the time-out by itself.
    const int64_t i64Piece = std::min<int64_t>(m_nBlockSize, m_buffer.size());
    while (i64Reached < m_i64Position && !IsStopped()) {
        int nWant = static_cast<int>(std::min<int64_t>(m_i64Position - i64Reached, i64Piece));
        int nCount = http.ReceiveBytes(m_buffer.data(), nWant);
        if (nCount <= 0)
            return false;
        i64Reached += nCount;
        if (ReachFurther(i64Reached) || m_bWroteLastAnswer)
            m_pHost->MarkActivity();
    }
    return i64Reached == m_i64Position;
}
