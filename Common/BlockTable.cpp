#include "BlockTable.h"

#include <algorithm>

int64_t CBlockTable::BlockCount(int64_t i64Length, int nBlockSize) {
    if (nBlockSize <= 0 || i64Length <= 0)
        return 0;
    return (i64Length + nBlockSize - 1) / nBlockSize;
}

int CBlockTable::WorkerCountFor(int64_t nBlocks) {
    return static_cast<int>(
        std::min<int64_t>((nBlocks + kBlocksPerWorker - 1) / kBlocksPerWorker, kMaxWorkers));
}

void CBlockTable::Reset(int64_t i64Length, int nBlockSize) {
    m_i64Length = i64Length;
    m_nBlockSize = nBlockSize;
    m_states.assign(static_cast<size_t>(BlockCount(i64Length, nBlockSize)), kFree);
    m_nWorkerCount = WorkerCountFor(GetBlockCount());
    ClearChanges();
}

void CBlockTable::Load(const std::vector<uint8_t>& states) {
    const size_t n = std::min(states.size(), m_states.size());
    for (size_t i = 0; i < n; ++i) m_states[i] = states[i] == kDone ? kDone : kFree;
    // The file still holds the worker marks; the next write must carry the change there.
    MarkAllChanged();
}

int64_t CBlockTable::BlockLength(int64_t nBlock) const {
    int64_t i64Start = nBlock * m_nBlockSize;
    return std::max<int64_t>(0, std::min<int64_t>(m_nBlockSize, m_i64Length - i64Start));
}

uint8_t CBlockTable::GetState(int64_t nBlock) const {
    if (nBlock < 0 || nBlock >= GetBlockCount())
        return kFree;
    return m_states[static_cast<size_t>(nBlock)];
}

void CBlockTable::SetStates(int64_t nFirst, int64_t nEnd, uint8_t nValue) {
    nFirst = std::max<int64_t>(nFirst, 0);
    nEnd = std::min<int64_t>(nEnd, GetBlockCount());
    if (nFirst >= nEnd)
        return;
    std::fill(m_states.begin() + nFirst, m_states.begin() + nEnd, nValue);
    NoteChange(nFirst, nEnd);
}

bool CBlockTable::FindRun(uint8_t nValue, int64_t nStart, int64_t& nFirst, int64_t& nEnd) const {
    const int64_t n = GetBlockCount();
    int64_t i = std::max<int64_t>(nStart, 0);
    while (i < n && m_states[i] != nValue) ++i;
    if (i >= n)
        return false;
    nFirst = i;
    while (i < n && m_states[i] == nValue) ++i;
    nEnd = i;
    return true;
}

bool CBlockTable::FindRuns(uint8_t nValue, std::vector<int64_t>& firsts, std::vector<int64_t>& ends) const {
    firsts.clear();
    ends.clear();
    int64_t nFirst = 0, nEnd = 0;
    while (FindRun(nValue, nEnd, nFirst, nEnd)) {
        firsts.push_back(nFirst);
        ends.push_back(nEnd);
    }
    return !firsts.empty();
}

void CBlockTable::AssignInitialShares() {
    std::vector<int64_t> firsts, ends;
    if (!FindRuns(kFree, firsts, ends) || m_nWorkerCount <= 0)
        return;
    if (firsts.size() == 1) {
        int64_t nShare = (ends[0] - firsts[0] + m_nWorkerCount - 1) / m_nWorkerCount;
        for (int i = 1; i <= m_nWorkerCount; ++i) {
            int64_t nFirst = firsts[0] + (i - 1) * nShare;
            SetStates(nFirst, std::min(nFirst + nShare, ends[0]), static_cast<uint8_t>(i));
        }
        return;
    }
    for (size_t j = 0; j < firsts.size() && j < static_cast<size_t>(m_nWorkerCount); ++j) {
        SetStates(firsts[j], ends[j], static_cast<uint8_t>(j + 1));
    }
}

bool CBlockTable::TakeOver(int nWorker, int64_t& nFirst, int64_t& nEnd) {
    int64_t nBestFirst = 0, nBestEnd = 0;
    std::vector<int64_t> firsts, ends;
    for (int w = 1; w <= kMaxWorkers; ++w) {
        if (w == nWorker)
            continue;
        FindRuns(static_cast<uint8_t>(w), firsts, ends);
        for (size_t j = 0; j < firsts.size(); ++j) {
            if (ends[j] - firsts[j] > nBestEnd - nBestFirst) {
                nBestFirst = firsts[j];
                nBestEnd = ends[j];
            }
        }
    }
    if (nBestEnd - nBestFirst < kMinTakeOverBlocks)
        return false;
    nFirst = nBestFirst + (nBestEnd - nBestFirst) / 2;
    nEnd = nBestEnd;
    SetStates(nFirst, nEnd, static_cast<uint8_t>(nWorker));
    return true;
}

bool CBlockTable::GetNextRange(int nWorker, int64_t& i64FirstByte, int64_t& i64LastByte, int* pnOwner) {
    if (pnOwner)
        *pnOwner = 0;
    if (nWorker < 1 || nWorker > m_nWorkerCount)
        return false;
    int64_t nFirst = 0, nEnd = 0;
    if (!FindRun(static_cast<uint8_t>(nWorker), 0, nFirst, nEnd)) {
        if (FindRun(kFree, 0, nFirst, nEnd)) {
            SetStates(nFirst, nEnd, static_cast<uint8_t>(nWorker));
        } else if (!TakeOver(nWorker, nFirst, nEnd)) {
            return false;
        } else if (pnOwner) {
            // The first half of the run stays its owner's.
            *pnOwner = m_states[nFirst - 1];
        }
    }
    i64FirstByte = nFirst * m_nBlockSize;
    i64LastByte = nEnd < GetBlockCount() ? nEnd * m_nBlockSize - 1 : m_i64Length - 1;
    return true;
}

void CBlockTable::GiveBack(int nWorker, int nOwner, int64_t nFirst, int64_t nEnd) {
    for (int64_t nBlock = std::max<int64_t>(nFirst, 0); nBlock < std::min(nEnd, GetBlockCount()); ++nBlock) {
        if (m_states[nBlock] == nWorker) {
            m_states[nBlock] = static_cast<uint8_t>(nOwner);
            NoteChange(nBlock, nBlock + 1);
        }
    }
}

bool CBlockTable::IsComplete() const {
    return std::all_of(m_states.begin(), m_states.end(), [](uint8_t s) { return s == kDone; });
}

int CBlockTable::CountUndone(int64_t i64Offset, int nMax) const {
    if (m_nBlockSize <= 0 || i64Offset < 0)
        return 0;
    int nCount = 0;
    for (int64_t nBlock = i64Offset / m_nBlockSize; nCount < nMax && nBlock < GetBlockCount(); ++nBlock) {
        if (m_states[nBlock] == kDone)
            break;
        ++nCount;
    }
    return nCount;
}

int64_t CBlockTable::FirstUndone() const {
    for (int64_t nBlock = 0; nBlock < GetBlockCount(); ++nBlock) {
        if (m_states[nBlock] != kDone)
            return nBlock;
    }
    return -1;
}

int64_t CBlockTable::MarkWholeBlocksDone(int64_t i64Offset, int64_t i64Size) {
    if (m_nBlockSize <= 0 || i64Offset < 0 || i64Size <= 0)
        return 0;
    const int64_t i64End = i64Offset + i64Size;
    int64_t i64Added = 0;
    for (int64_t nBlock = (i64Offset + m_nBlockSize - 1) / m_nBlockSize;; ++nBlock) {
        int64_t i64Length = BlockLength(nBlock);
        if (i64Length <= 0 || nBlock * m_nBlockSize + i64Length > i64End)
            break;
        if (m_states[nBlock] == kDone)
            continue;
        SetStates(nBlock, nBlock + 1, kDone);
        i64Added += i64Length;
    }
    return i64Added;
}

bool CBlockTable::GetChanges(int64_t& nFirst, int64_t& nEnd) const {
    nFirst = m_nChangedFirst;
    nEnd = m_nChangedEnd;
    return nFirst < nEnd;
}

void CBlockTable::ClearChanges() {
    m_nChangedFirst = INT64_MAX;
    m_nChangedEnd = 0;
}

void CBlockTable::NoteChange(int64_t nFirst, int64_t nEnd) {
    if (nFirst >= nEnd)
        return;
    m_nChangedFirst = std::min(m_nChangedFirst, nFirst);
    m_nChangedEnd = std::max(m_nChangedEnd, nEnd);
}
