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
    : m_bOpen(false), m_header(), m_i64Downloaded(0), m_dwStartTick(::GetTickCount()) {}

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
    if (!::WriteFile(hFile, pData, nSize, &nWritten, &ov))
        return false;
    // A write that takes fewer bytes than given found no room for the rest.
    if (nWritten != nSize)
        ::SetLastError(ERROR_HANDLE_DISK_FULL);
    return nWritten == nSize;
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
    if (bOk)
        bOk = WriteHeader() && SetFileLength(m_hFile.Get(), kTableOffset + BlockCount(i64Length, kBlockSize));
    if (!bOk)
        m_hFile.Close();
    m_table.Reset(bOk ? i64Length : 0, kBlockSize);
    m_bOpen = bOk;
    m_table.AssignInitialShares();
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
        m_table.Reset(m_header.i64Length, m_header.nBlockSize);
        m_i64Downloaded.store(m_header.i64Downloaded);
        m_dwStartTick = ::GetTickCount() - m_header.nElapsedMs;
        m_bOpen = true;
    } else {
        m_hFile.Close();
    }
    Read();
    m_table.AssignInitialShares();
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
    m_table.Clear();
    m_bOpen = false;
}

bool CBitmapFile::Read() {
    if (!m_bOpen)
        return false;
    std::vector<uint8_t> states(static_cast<size_t>(m_table.GetBlockCount()), 0);
    DWORD nRead = 0;
    DWORD nWant = static_cast<DWORD>(states.size());
    if (nWant > 0 && (!ReadAt(m_hFile.Get(), kTableOffset, states.data(), nWant, nRead) || nRead != nWant)) {
        LOGF(0, "CBitmapFile::Read 读文件错误 [%d]\n", (int)::GetLastError());
        std::fill(states.begin(), states.end(), 0);
        m_table.Load(states);
        return false;
    }
    m_table.Load(states);
    return true;
}

bool CBitmapFile::WriteHeader() {
    m_header.nElapsedMs = ::GetTickCount() - m_dwStartTick;
    m_header.i64Downloaded = m_i64Downloaded.load();
    uint8_t raw[kHeaderBytes];
    EncodeHeader(m_header, raw);
    return WriteAt(m_hFile.Get(), 0, raw, kHeaderBytes);
}

bool CBitmapFile::Write() {
    if (!m_bOpen)
        return false;
    m_table.MarkAllChanged();
    return WriteChanges();
}

bool CBitmapFile::WriteChanges() {
    if (!m_bOpen)
        return false;
    if (!WriteHeader()) {
        LOGF(0, "CBitmapFile::Write 写文件头错误 [%d]\n", (int)::GetLastError());
        return false;
    }
    int64_t nFirst = 0, nEnd = 0;
    if (m_table.GetChanges(nFirst, nEnd) &&
        !WriteAt(m_hFile.Get(), kTableOffset + nFirst, m_table.Data() + nFirst,
                 static_cast<DWORD>(nEnd - nFirst))) {
        LOGF(0, "CBitmapFile::Write 写BITMAP错误 [%d]\n", (int)::GetLastError());
        return false;
    }
    m_table.ClearChanges();
    return true;
}
