#include "DownloadThread.h"

#include <algorithm>

#include "DownloadManager.h"
#include "Log.h"

CDownloadThread::CDownloadThread(CDownloadManager* pManager, int nId)
    : m_pManager(pManager),
      m_nId(nId),
      m_i64Position(0),
      m_i64LastByte(-1),
      m_nChunkBlocks(1),
      m_nMaxChunkBlocks(1),
      m_bEndedEarly(false),
      m_i64SkipFurthest(0) {}

void CDownloadThread::OnExecute() {
    CHttpClass http;
    http.SetReceiveTimeout(m_pManager->GetReceiveTimeoutMs());
    m_strUrl = m_pManager->GetUrl();
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
    return m_pManager->GetOutputFile().GetNextRange(m_nId, m_i64Position, m_i64LastByte);
}

bool CDownloadThread::RequestRange(CHttpClass& http) {
    int nResult =
        http.HttpRangeRequest(m_strUrl.c_str(), m_i64Position, m_i64LastByte, &m_pManager->GetRemoteDate());
    FILETIME ftAnswer = {};
    if (nResult == 1 && http.GetLastModified(ftAnswer) && m_pManager->IsOtherDate(ftAnswer)) {
        LOGF(0, "CDownloadThread::RequestRange nId=%d 服务器文件已改变\n", m_nId);
        http.CloseHttpRequest();
        m_pManager->ReportRemoteChanged();
        Stop();
        return false;
    }
    if (nResult == 1)
        return true;
    if (CDownloadManager::IsWorthRetrying(nResult, http.GetCode())) {
        SleepFor(1000);
    } else {
        Stop();
    }
    return false;
}

void CDownloadThread::Receive(CHttpClass& http) {
    COutputFile& out = m_pManager->GetOutputFile();
    const int nBlockSize = out.GetBlockSize();
    if (nBlockSize <= 0) {
        LOGF(0, "CDownloadThread::Receive  块大小错误 %d\n", nBlockSize);
        return;
    }
    m_nMaxChunkBlocks = std::max(1, kMaxChunkBytes / nBlockSize);
    m_nChunkBlocks = std::min(m_nChunkBlocks, m_nMaxChunkBlocks);
    m_buffer.resize(static_cast<size_t>(nBlockSize) * m_nMaxChunkBlocks);
    // A server that ignores Range answers 200 with the file from its first byte.
    const int64_t i64Start = m_i64Position;
    m_bEndedEarly = false;
    bool bReady = http.GetCode() != 200 || SkipToPosition(http);
    while (bReady && !IsStopped()) {
        if (!ReceiveChunk(http, nBlockSize))
            break;
    }
    http.CloseHttpRequest();
    // A server that cuts every answer before a whole block must not be asked again at once.
    if ((!bReady || m_bEndedEarly) && m_i64Position == i64Start)
        SleepFor(1000);
}

// Reads the next blocks that are not done yet, up to m_nChunkBlocks, with one call and
// writes the whole ones; false when the range ends here.
bool CDownloadThread::ReceiveChunk(CHttpClass& http, int nBlockSize) {
    COutputFile& out = m_pManager->GetOutputFile();
    // A block already done ends the range: another worker has taken this part over.
    int nUndone = out.CountUndoneBlocks(m_i64Position, m_nChunkBlocks);
    if (nUndone <= 0)
        return false;
    int64_t i64Want = std::min<int64_t>(int64_t(nUndone) * nBlockSize, m_i64LastByte + 1 - m_i64Position);
    // On a fast link, a short pause lets the socket gather data, so that the next read
    // takes it in a few large receives instead of many small ones (each costs a round trip
    // through the system on some platforms).
    if (m_nChunkBlocks == m_nMaxChunkBlocks)
        ::Sleep(kGatherMs);
    DWORD dwStart = ::GetTickCount();
    int nCount = http.ReceiveBytes(m_buffer.data(), static_cast<int>(i64Want));
    m_bEndedEarly = nCount < i64Want;
    if (nCount <= 0)
        return false;
    AdaptChunk(::GetTickCount() - dwStart, nCount == i64Want);
    // A piece of a block (the connection ended part way) is dropped and fetched again with
    // the next request; only the file's own end may cut a block short.
    int nWhole = m_i64Position + nCount == out.GetLength() ? nCount : nCount / nBlockSize * nBlockSize;
    if (nWhole > 0 && !out.WriteData(m_i64Position, m_buffer.data(), nWhole)) {
        LOGF(0, "CDownloadThread::Receive WriteFile错误\n");
        return false;
    }
    if (nWhole > 0)
        m_pManager->MarkActivity();
    m_i64Position += nWhole;
    return nCount == i64Want && m_i64Position <= m_i64LastByte;
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
    const int64_t i64Piece = std::min<int64_t>(m_pManager->GetOutputFile().GetBlockSize(), m_buffer.size());
    while (i64Reached < m_i64Position && !IsStopped()) {
        int nWant = static_cast<int>(std::min<int64_t>(m_i64Position - i64Reached, i64Piece));
        int nCount = http.ReceiveBytes(m_buffer.data(), nWant);
        if (nCount <= 0)
            return false;
        i64Reached += nCount;
        if (i64Reached > m_i64SkipFurthest) {
            m_i64SkipFurthest = i64Reached;
            m_pManager->MarkActivity();
        }
    }
    return i64Reached == m_i64Position;
}
