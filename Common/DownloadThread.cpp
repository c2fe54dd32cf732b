#include "DownloadThread.h"

#include <algorithm>

#include "DownloadManager.h"
#include "Log.h"

CDownloadThread::CDownloadThread(CDownloadManager* pManager, int nId)
    : m_pManager(pManager), m_nId(nId), m_i64Position(0), m_i64LastByte(-1) {}

void CDownloadThread::OnExecute() {
    CHttpClass http;
    m_strUrl = m_pManager->GetUrl();
    while (!IsStopped()) {
        LOGF(0, "Begin OnExecute GetUnfinishBytes nId=%d \n", m_nId);
        if (!GetUnfinishBytes()) break;
        LOGF(0, "End OnExecute GetUnfinishBytes nId=%d \n", m_nId);
        if (IsStopped()) break;
        if (!RequestRange(http)) continue;
        if (IsStopped()) break;
        Receive(http);
        LOGF(0, "End OnExecute Receive nId=%d \n", m_nId);
    }
}

bool CDownloadThread::GetUnfinishBytes() {
    return m_pManager->GetOutputFile().GetNextRange(m_nId, m_i64Position, m_i64LastByte);
}

bool CDownloadThread::RequestRange(CHttpClass& http) {
    int nResult = http.HttpRangeRequest(m_strUrl.c_str(), m_i64Position, m_i64LastByte);
    if (nResult == 1) return true;
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
    m_buffer.resize(static_cast<size_t>(nBlockSize));
    // A server that ignores Range answers 200 with the file from its first byte.
    bool bReady = http.GetCode() != 200 || SkipToPosition(http);
    while (bReady && !IsStopped() && !out.IsBlockDone(m_i64Position)) {
        if (!ReceiveBlock(http, nBlockSize)) break;
    }
    http.CloseHttpRequest();
}

// Reads one block at the position and writes it; false when the range ends here.
bool CDownloadThread::ReceiveBlock(CHttpClass& http, int nBlockSize) {
    COutputFile& out = m_pManager->GetOutputFile();
    int nCount = http.ReceiveBytes(m_buffer.data(), nBlockSize);
    if (nCount <= 0) return false;
    m_pManager->MarkActivity();
    // Less than the block holds means the connection ended part way: the piece is dropped
    // and the block fetched again with the next request.
    int64_t i64Want = std::min<int64_t>(nBlockSize, out.GetLength() - m_i64Position);
    if (nCount < i64Want) return false;
    if (!out.WriteData(m_i64Position, m_buffer.data(), nCount)) {
        LOGF(0, "CDownloadThread::Receive WriteFile错误\n");
        return false;
    }
    if (nCount < nBlockSize) return false;
    m_i64Position += nCount;
    // The caller's loop stops at the next block when it is already done.
    return m_i64Position <= m_i64LastByte;
}

// Reads and drops the body up to the position; false if it ends first or the worker stops.
bool CDownloadThread::SkipToPosition(CHttpClass& http) {
    int64_t i64Left = m_i64Position;
    while (i64Left > 0 && !IsStopped()) {
        int nWant = static_cast<int>(std::min<int64_t>(i64Left, static_cast<int64_t>(m_buffer.size())));
        int nCount = http.ReceiveBytes(m_buffer.data(), nWant);
        if (nCount <= 0) return false;
        m_pManager->MarkActivity();
        i64Left -= nCount;
    }
    return i64Left == 0;
}
