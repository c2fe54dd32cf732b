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
      m_i64SkipFurthest(0) {}

void CDownloadThread::OnExecute() {
    m_job = m_pHost->GetJob();
    CHttpClass http;
    http.SetReceiveTimeout(m_job.dwReceiveTimeoutMs);
    while (!IsStopped()) {
        LOGF(0, "Begin OnExecute GetUnfinishBytes nId=%d \n", m_nId);
        if (!GetUnfinishBytes())
            break;
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
    return m_pHost->GetOutputFile().GetNextRange(m_nId, m_i64Position, m_i64LastByte);
}

bool CDownloadThread::RequestRange(CHttpClass& http) {
    int nResult = http.HttpRangeRequest(m_job.strUrl.c_str(), m_i64Position, m_i64LastByte, &m_job.ftRemote);
    FILETIME ftAnswer = {};
    if (nResult == kHttpOk && http.GetLastModified(ftAnswer) && !IsZero(m_job.ftRemote) &&
        !IsZero(ftAnswer) && ::CompareFileTime(&m_job.ftRemote, &ftAnswer) != 0) {
        LOGF(0, "CDownloadThread::RequestRange nId=%d 服务器文件已改变\n", m_nId);
        http.CloseHttpRequest();
        m_pHost->ReportRemoteChanged();
        Stop();
        return false;
    }
    if (nResult == kHttpOk)
        return true;
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
    bool bReady = http.GetCode() != 200 || SkipToPosition(http);
    while (bReady && !IsStopped() && ReceiveChunk(http)) {
    }
    if (bReady && !m_bEndedEarly)
        DropRest(http);
    http.CloseHttpRequest();
    // A server that cuts every answer before a whole block must not be asked again at once.
    if ((!bReady || m_bEndedEarly) && m_i64Position == i64Start)
        SleepFor(1000);
}

bool CDownloadThread::ReceiveChunk(CHttpClass& http) {
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
    // A block already done ends the range: another worker has taken this part over.
    int nUndone = m_pHost->GetOutputFile().CountUndoneBlocks(m_i64Position, m_nChunkBlocks);
    return static_cast<int>(
        std::min<int64_t>(int64_t(nUndone) * m_nBlockSize, m_i64LastByte + 1 - m_i64Position));
}

bool CDownloadThread::CommitWholeBlocks(int nCount) {
    COutputFile& out = m_pHost->GetOutputFile();
    // A piece of a block (the connection ended part way) is fetched again with the next
    // request; only the file's own end may cut a block short.
    int nWhole = m_i64Position + nCount == out.GetLength() ? nCount : nCount / m_nBlockSize * m_nBlockSize;
    if (nWhole <= 0)
        return true;
    if (!out.WriteData(m_i64Position, m_buffer.data(), nWhole)) {
        LOGF(0, "CDownloadThread::Receive WriteFile错误\n");
        return false;
    }
    m_pHost->MarkActivity();
    m_i64Position += nWhole;
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
// Bytes that carry the skip further than any earlier skip of this worker count as activity,
// so that a long skip is not taken for silence, while a server that cuts every answer at the
// same place still ends the run by the time-out.
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
        if (i64Reached > m_i64SkipFurthest) {
            m_i64SkipFurthest = i64Reached;
            m_pHost->MarkActivity();
        }
    }
    return i64Reached == m_i64Position;
}
