#include "BitmapFile.h"

#include <algorithm>
#include <cstring>

#include "Log.h"

namespace {

const char kMagic[8] = {'K', 'V', 'D', 'L', 'B', 'M', 'P', '\0'};

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void PutU64(uint8_t* p, uint64_t v) {
    PutU32(p, static_cast<uint32_t>(v));
    PutU32(p + 4, static_cast<uint32_t>(v >> 32));
}
uint64_t GetU64(const uint8_t* p) {
    return uint64_t(GetU32(p)) | (uint64_t(GetU32(p + 4)) << 32);
}

}  // namespace

CBitmapFile::CBitmapFile()
    : m_bOpen(false), m_header(), m_i64Downloaded(0), m_nWorkerCount(0), m_dwStartTick(::GetTickCount()) {
    ClearDirty();
}

CBitmapFile::~CBitmapFile() {
    Close();
}

void CBitmapFile::EncodeHeader(const BitmapHeader& header, uint8_t* pOut) {
    memcpy(pOut, header.szMagic, 8);
    PutU32(pOut + 8, static_cast<uint32_t>(header.nVersion));
    PutU32(pOut + 12, static_cast<uint32_t>(header.nBlockSize));
    PutU32(pOut + 16, header.ftRemote.dwLowDateTime);
    PutU32(pOut + 20, header.ftRemote.dwHighDateTime);
    PutU64(pOut + 24, static_cast<uint64_t>(header.i64Length));
    PutU64(pOut + 32, static_cast<uint64_t>(header.i64Downloaded));
    PutU32(pOut + 40, header.nElapsedMs);
}

void CBitmapFile::DecodeHeader(const uint8_t* pIn, BitmapHeader& header) {
    memcpy(header.szMagic, pIn, 8);
    header.nVersion = static_cast<int32_t>(GetU32(pIn + 8));
    header.nBlockSize = static_cast<int32_t>(GetU32(pIn + 12));
    header.ftRemote.dwLowDateTime = GetU32(pIn + 16);
    header.ftRemote.dwHighDateTime = GetU32(pIn + 20);
    header.i64Length = static_cast<int64_t>(GetU64(pIn + 24));
    header.i64Downloaded = static_cast<int64_t>(GetU64(pIn + 32));
    header.nElapsedMs = GetU32(pIn + 40);
}

BitmapHeaderError CBitmapFile::CheckHeader(const BitmapHeader& header) {
    if (memcmp(header.szMagic, kMagic, 8) != 0)
        return BitmapHeaderError::Magic;
    if (header.nVersion != kVersion)
        return BitmapHeaderError::Version;
    // Workers fetch and mark blocks of the size this program writes; a table of any other
    // size would mark bytes done that were never written.
    if (header.nBlockSize != kBlockSize)
        return BitmapHeaderError::BlockSize;
    if (header.i64Length < 0 || header.i64Length > kMaxLength)
        return BitmapHeaderError::Length;
    if (BlockCount(header.i64Length, header.nBlockSize) > kMaxBlocks)
        return BitmapHeaderError::TooManyBlocks;
    return BitmapHeaderError::None;
}

int64_t CBitmapFile::BlockCount(int64_t i64Length, int nBlockSize) {
    if (nBlockSize <= 0 || i64Length <= 0)
        return 0;
    return (i64Length + nBlockSize - 1) / nBlockSize;
}

int CBitmapFile::WorkerCountFor(int64_t nBlocks) {
    return static_cast<int>(
        std::min<int64_t>((nBlocks + kBlocksPerWorker - 1) / kBlocksPerWorker, kMaxWorkers));
}

bool CBitmapFile::ReadAt(HANDLE hFile, int64_t i64Offset, void* pData, DWORD nSize, DWORD& nRead) {
    OVERLAPPED ov = {};
    ov.Offset = static_cast<DWORD>(i64Offset);
    ov.OffsetHigh = static_cast<DWORD>(i64Offset >> 32);
    nRead = 0;
    return ::ReadFile(hFile, pData, nSize, &nRead, &ov) != FALSE;
}

bool CBitmapFile::WriteAt(HANDLE hFile, int64_t i64Offset, const void* pData, DWORD nSize) {
    OVERLAPPED ov = {};
    ov.Offset = static_cast<DWORD>(i64Offset);
    ov.OffsetHigh = static_cast<DWORD>(i64Offset >> 32);
    DWORD nWritten = 0;
    return ::WriteFile(hFile, pData, nSize, &nWritten, &ov) && nWritten == nSize;
}

bool CBitmapFile::SetFileLength(HANDLE hFile, int64_t i64Length) {
    LARGE_INTEGER li;
    li.QuadPart = i64Length;
    return ::SetFilePointerEx(hFile, li, nullptr, FILE_BEGIN) && ::SetEndOfFile(hFile);
}

bool CBitmapFile::Create(const char* pszPath, int64_t i64Length, FILETIME ftRemote) {
    Close();
    m_dwStartTick = ::GetTickCount();
    memcpy(m_header.szMagic, kMagic, 8);
    m_header.nVersion = kVersion;
    m_header.nBlockSize = kBlockSize;
    m_header.ftRemote = ftRemote;
    m_header.i64Length = i64Length;
    m_header.i64Downloaded = 0;
    m_header.nElapsedMs = 0;
    m_i64Downloaded.store(0);
    bool bOk = i64Length >= 0 && i64Length <= kMaxLength;
    if (bOk) {
        m_hFile.Reset(::CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        bOk = m_hFile.IsValid();
    }
    int64_t nBlocks = bOk ? BlockCount(i64Length, kBlockSize) : 0;
    if (bOk)
        bOk = WriteHeader() && SetFileLength(m_hFile.Get(), kTableOffset + nBlocks);
    if (!bOk)
        m_hFile.Close();
    m_table.assign(bOk ? static_cast<size_t>(nBlocks) : 0, 0);
    m_bOpen = bOk;
    ClearDirty();
    UpdateDerived();
    return bOk;
}

bool CBitmapFile::Open(const char* pszPath) {
    Close();
    m_dwStartTick = ::GetTickCount();
    m_hFile.Reset(::CreateFileA(pszPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_hFile) {
        DWORD dwErr = ::GetLastError();
        if (dwErr != ERROR_FILE_NOT_FOUND)
            LOGF(0, "CBitmapFile::Open(%s) 文件打开失败[%d]\n", pszPath, (int)dwErr);
    } else if (ValidateOpened(pszPath) && ResizeToTable(pszPath)) {
        int64_t nBlocks = BlockCount(m_header.i64Length, m_header.nBlockSize);
        m_table.assign(static_cast<size_t>(nBlocks), 0);
        m_i64Downloaded.store(m_header.i64Downloaded);
        m_dwStartTick = ::GetTickCount() - m_header.nElapsedMs;
        m_bOpen = true;
    } else {
        m_hFile.Close();
    }
    Read();
    UpdateDerived();
    return m_bOpen;
}

// Reads and checks the header of the file just opened; logs why it cannot be used.
bool CBitmapFile::ValidateOpened(const char* pszPath) {
    uint8_t raw[kHeaderBytes];
    DWORD nRead = 0;
    if (!ReadAt(m_hFile.Get(), 0, raw, kHeaderBytes, nRead) || nRead < kHeaderBytes) {
        LOGF(0, "CBitmapFile::Open(%s) 文件头读取失败[%d]\n", pszPath, (int)::GetLastError());
        return false;
    }
    BitmapHeader header;
    DecodeHeader(raw, header);
    switch (CheckHeader(header)) {
        case BitmapHeaderError::None:
            m_header = header;
            return true;
        case BitmapHeaderError::Magic:
            LOGF(0, "CBitmapFile::Open(%s) 位图文件标识错\n", pszPath);
            return false;
        case BitmapHeaderError::Version:
            LOGF(0, "CBitmapFile::Open(%s) 位图版本错\n", pszPath);
            return false;
        case BitmapHeaderError::BlockSize:
        case BitmapHeaderError::TooManyBlocks:
            // A block size that would need a huge table is as unusable as a non-positive one.
            LOGF(0, "CBitmapFile::Open(%s) 位图文件块大小错 %d\n", pszPath, header.nBlockSize);
            return false;
        case BitmapHeaderError::Length:
            LOGF(0, "CBitmapFile::Open(%s) 文件实际长度错 %I64d\n", pszPath, header.i64Length);
            return false;
    }
    return false;
}

bool CBitmapFile::ResizeToTable(const char* pszPath) {
    int64_t i64Want = kTableOffset + BlockCount(m_header.i64Length, m_header.nBlockSize);
    LARGE_INTEGER liSize;
    if (::GetFileSizeEx(m_hFile.Get(), &liSize) && liSize.QuadPart == i64Want)
        return true;
    if (SetFileLength(m_hFile.Get(), i64Want))
        return true;
    LOGF(0, "CBitmapFile::Open(%s) 文件长度设置错误 [%d]\n", pszPath, (int)::GetLastError());
    return false;
}

void CBitmapFile::Close() {
    if (!m_bOpen)
        return;
    Write();
    m_hFile.Close();
    m_table.clear();
    m_bOpen = false;
    ClearDirty();
}

bool CBitmapFile::Read() {
    if (!m_bOpen)
        return false;
    // Worker marks read back turn free in memory; the next write must carry that to the file.
    MarkDirty(0, static_cast<int64_t>(m_table.size()));
    if (m_table.empty())
        return true;
    DWORD nRead = 0;
    DWORD nWant = static_cast<DWORD>(m_table.size());
    if (!ReadAt(m_hFile.Get(), kTableOffset, m_table.data(), nWant, nRead) || nRead != nWant) {
        LOGF(0, "CBitmapFile::Read 读文件错误 [%d]\n", (int)::GetLastError());
        std::fill(m_table.begin(), m_table.end(), 0);
        return false;
    }
    for (uint8_t& state : m_table) {
        if (state != kDone)
            state = 0;
    }
    return true;
}

bool CBitmapFile::WriteHeader() {
    m_header.nElapsedMs = ::GetTickCount() - m_dwStartTick;
    m_header.i64Downloaded = m_i64Downloaded.load();
    uint8_t raw[kHeaderBytes];
    EncodeHeader(m_header, raw);
    return WriteAt(m_hFile.Get(), 0, raw, kHeaderBytes);
}

bool CBitmapFile::WriteTableSpan(int64_t nFirst, int64_t nEnd) {
    if (nFirst >= nEnd)
        return true;
    return WriteAt(m_hFile.Get(), kTableOffset + nFirst, m_table.data() + nFirst,
                   static_cast<DWORD>(nEnd - nFirst));
}

bool CBitmapFile::Write() {
    if (!m_bOpen)
        return false;
    MarkDirty(0, static_cast<int64_t>(m_table.size()));
    return WriteChanges();
}

bool CBitmapFile::WriteChanges() {
    if (!m_bOpen)
        return false;
    if (!WriteHeader()) {
        LOGF(0, "CBitmapFile::Write 写文件头错误 [%d]\n", (int)::GetLastError());
        return false;
    }
    if (!WriteTableSpan(m_nDirtyFirst, m_nDirtyEnd)) {
        LOGF(0, "CBitmapFile::Write 写BITMAP错误 [%d]\n", (int)::GetLastError());
        return false;
    }
    ClearDirty();
    return true;
}

void CBitmapFile::MarkDirty(int64_t nFirst, int64_t nEnd) {
    if (nFirst >= nEnd)
        return;
    m_nDirtyFirst = std::min(m_nDirtyFirst, nFirst);
    m_nDirtyEnd = std::max(m_nDirtyEnd, nEnd);
}

void CBitmapFile::ClearDirty() {
    m_nDirtyFirst = INT64_MAX;
    m_nDirtyEnd = 0;
}

void CBitmapFile::UpdateDerived() {
    m_nWorkerCount = WorkerCountFor(static_cast<int64_t>(m_table.size()));
    AssignInitialShares();
}

uint8_t CBitmapFile::GetBlockState(int64_t nBlock) const {
    if (!m_bOpen || nBlock < 0 || nBlock >= static_cast<int64_t>(m_table.size()))
        return 0;
    return m_table[static_cast<size_t>(nBlock)];
}

void CBitmapFile::SetBlockState(int64_t nBlock, uint8_t nValue) {
    SetBlockStates(nBlock, nBlock + 1, nValue);
}

void CBitmapFile::SetBlockStates(int64_t nFirst, int64_t nEnd, uint8_t nValue) {
    if (!m_bOpen)
        return;
    nFirst = std::max<int64_t>(nFirst, 0);
    nEnd = std::min<int64_t>(nEnd, static_cast<int64_t>(m_table.size()));
    if (nFirst >= nEnd)
        return;
    std::fill(m_table.begin() + nFirst, m_table.begin() + nEnd, nValue);
    MarkDirty(nFirst, nEnd);
}

int64_t CBitmapFile::BlockLength(int64_t nBlock) const {
    int64_t i64Start = nBlock * m_header.nBlockSize;
    return std::max<int64_t>(0, std::min<int64_t>(m_header.nBlockSize, m_header.i64Length - i64Start));
}

bool CBitmapFile::FindRun(uint8_t nValue, int64_t nStart, int64_t& nFirst, int64_t& nEnd) const {
    const int64_t n = static_cast<int64_t>(m_table.size());
    int64_t i = std::max<int64_t>(nStart, 0);
    while (i < n && m_table[i] != nValue) ++i;
    if (i >= n)
        return false;
    nFirst = i;
    while (i < n && m_table[i] == nValue) ++i;
    nEnd = i;
    return true;
}

bool CBitmapFile::FindRuns(uint8_t nValue, std::vector<int64_t>& firsts, std::vector<int64_t>& ends) const {
    firsts.clear();
    ends.clear();
    int64_t nFirst = 0, nEnd = 0;
    while (FindRun(nValue, nEnd, nFirst, nEnd)) {
        firsts.push_back(nFirst);
        ends.push_back(nEnd);
    }
    return !firsts.empty();
}

void CBitmapFile::AssignInitialShares() {
    std::vector<int64_t> firsts, ends;
    if (!FindRuns(0, firsts, ends) || m_nWorkerCount <= 0)
        return;
    if (firsts.size() == 1) {
        int64_t nShare = (ends[0] - firsts[0] + m_nWorkerCount - 1) / m_nWorkerCount;
        for (int i = 1; i <= m_nWorkerCount; ++i) {
            int64_t nFirst = firsts[0] + (i - 1) * nShare;
            SetBlockStates(nFirst, std::min(nFirst + nShare, ends[0]), static_cast<uint8_t>(i));
        }
        return;
    }
    for (size_t j = 0; j < firsts.size() && j < static_cast<size_t>(m_nWorkerCount); ++j) {
        SetBlockStates(firsts[j], ends[j], static_cast<uint8_t>(j + 1));
    }
}

bool CBitmapFile::TakeOver(int nWorker, int64_t& nFirst, int64_t& nEnd) {
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
    SetBlockStates(nFirst, nEnd, static_cast<uint8_t>(nWorker));
    return true;
}

bool CBitmapFile::GetNextRange(int nWorker, int64_t& i64FirstByte, int64_t& i64LastByte) {
    if (!m_bOpen || nWorker < 1 || nWorker > m_nWorkerCount)
        return false;
    int64_t nFirst = 0, nEnd = 0;
    if (!FindRun(static_cast<uint8_t>(nWorker), 0, nFirst, nEnd)) {
        if (FindRun(0, 0, nFirst, nEnd)) {
            SetBlockStates(nFirst, nEnd, static_cast<uint8_t>(nWorker));
        } else if (!TakeOver(nWorker, nFirst, nEnd)) {
            return false;
        }
    }
    ToByteRange(nFirst, nEnd, i64FirstByte, i64LastByte);
    return true;
}

void CBitmapFile::ToByteRange(int64_t nFirst, int64_t nEnd, int64_t& i64FirstByte,
                              int64_t& i64LastByte) const {
    const int64_t nBlockSize = m_header.nBlockSize;
    i64FirstByte = nFirst * nBlockSize;
    i64LastByte =
        nEnd < static_cast<int64_t>(m_table.size()) ? nEnd * nBlockSize - 1 : m_header.i64Length - 1;
}

bool CBitmapFile::IsComplete() const {
    return std::all_of(m_table.begin(), m_table.end(), [](uint8_t s) { return s == kDone; });
}
