#include "OutputFile.h"

#include "Log.h"

COutputFile::COutputFile() : m_bOutputOpen(false), m_bResumed(false), m_dwLastingError(0) {}

COutputFile::~COutputFile() {
    Close();
}

bool COutputFile::Open(const char* pszTarget, int64_t i64Length, FILETIME ftRemote) {
    Close();
    m_strBasePath = pszTarget;
    m_bResumed = false;
    m_dwLastingError.store(0);
    const std::string strTable = m_strBasePath + ".kvb";
    const std::string strData = m_strBasePath + ".kvd";
    // A table is worth nothing without the data it describes.
    bool bResume = OpenTable(strTable, i64Length, ftRemote) && IsFullDataFile(strData, i64Length);
    // The table comes first, so that a table that cannot be made leaves no data file behind.
    if (!bResume && !Create(strTable.c_str(), i64Length, ftRemote)) {
        LOGF(0, "COutputFile::Open 位图文件创建失败 %s\n", strTable.c_str());
        Close();
        return false;
    }
    if (!OpenData(strData, i64Length)) {
        Close();
        return false;
    }
    m_bResumed = bResume;
    m_bOutputOpen = true;
    return true;
}

// Opens the table of an earlier run if it describes the same remote file.
bool COutputFile::OpenTable(const std::string& strTable, int64_t i64Length, FILETIME ftRemote) {
    if (!CBitmapFile::Open(strTable.c_str()))
        return false;
    FILETIME ftStored = GetRemoteDate();
    if (GetLength() == i64Length && ftStored.dwLowDateTime == ftRemote.dwLowDateTime &&
        ftStored.dwHighDateTime == ftRemote.dwHighDateTime) {
        return true;
    }
    CBitmapFile::Close();
    return false;
}

// The data file is there already at the full length, as a run leaves it.
bool COutputFile::IsFullDataFile(const std::string& strData, int64_t i64Length) {
    WIN32_FILE_ATTRIBUTE_DATA attr;
    if (!::GetFileAttributesExA(strData.c_str(), GetFileExInfoStandard, &attr) ||
        (attr.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    return ((int64_t(attr.nFileSizeHigh) << 32) | attr.nFileSizeLow) == i64Length;
}

bool COutputFile::OpenData(const std::string& strData, int64_t i64Length) {
    m_hData.Reset(::CreateFileA(strData.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_hData) {
        LOGF(0, "COutputFile::Open 下载文件打开失败 %s, %d\n", strData.c_str(), (int)::GetLastError());
        return false;
    }
    if (!SetFileLength(m_hData.Get(), i64Length)) {
        LOGF(0, "COutputFile::Open 下载文件设置长度失败 %s, length = %I64d err = %d\n", strData.c_str(),
             i64Length, (int)::GetLastError());
        return false;
    }
    return true;
}

bool COutputFile::IsLastingWriteError(DWORD dwError) {
    switch (dwError) {
        case ERROR_LOCK_VIOLATION:
        case ERROR_SHARING_VIOLATION:
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
        case ERROR_NO_SYSTEM_RESOURCES:
        case ERROR_NONPAGED_SYSTEM_RESOURCES:
        case ERROR_PAGED_SYSTEM_RESOURCES:
        case ERROR_WORKING_SET_QUOTA:
            return false;
        default:
            return true;
    }
}

void COutputFile::Close() {
    CBitmapFile::Close();
    m_hData.Close();
    m_bOutputOpen = false;
}

bool COutputFile::WriteData(int64_t i64Offset, const void* pBuffer, int nSize) {
    if (!m_bOutputOpen || GetBlockSize() <= 0 || nSize < 0 || i64Offset < 0)
        return false;
    if (!WriteAt(m_hData.Get(), i64Offset, pBuffer, static_cast<DWORD>(nSize))) {
        DWORD dwError = ::GetLastError();
        LOGF(0, "COutputFile::WriteData(%I64d, %d) 文件写失败 %d\n", i64Offset, nSize, (int)dwError);
        if (IsLastingWriteError(dwError))
            m_dwLastingError.store(dwError);
        return false;
    }
    // The data was written above, outside this lock. That is harmless: positioned writes on
    // the one handle need no lock, a block turns done only here, after its bytes are in the
    // file, and two workers that write the same block (one took over the other's range) write
    // the same bytes of the same remote file, whose date and length the table was opened for.
    CAutoLock hold(m_lock);
    int64_t i64Added = Table().MarkWholeBlocksDone(i64Offset, nSize);
    if (i64Added > 0) {
        AddDownloaded(i64Added);
        WriteChanges();
    }
    return true;
}

int COutputFile::CountUndoneBlocks(int64_t i64Offset, int nMax) {
    if (!m_bOutputOpen)
        return 0;
    CAutoLock hold(m_lock);
    return Table().CountUndone(i64Offset, nMax);
}

bool COutputFile::IsBlockDone(int64_t i64Offset) {
    if (!m_bOutputOpen)
        return false;
    CAutoLock hold(m_lock);
    if (GetBlockSize() <= 0 || i64Offset < 0)
        return false;
    return GetBlockState(i64Offset / GetBlockSize()) == kDone;
}

bool COutputFile::GetNextRange(int nWorker, int64_t& i64FirstByte, int64_t& i64LastByte, int* pnOwner) {
    if (!m_bOutputOpen)
        return false;
    CAutoLock hold(m_lock);
    return CBitmapFile::GetNextRange(nWorker, i64FirstByte, i64LastByte, pnOwner);
}

void COutputFile::GiveBack(int nWorker, int nOwner, int64_t i64FirstByte, int64_t i64LastByte) {
    if (!m_bOutputOpen || GetBlockSize() <= 0)
        return;
    CAutoLock hold(m_lock);
    Table().GiveBack(nWorker, nOwner, i64FirstByte / GetBlockSize(), i64LastByte / GetBlockSize() + 1);
}

bool COutputFile::GetStreamRange(int64_t& i64FirstByte, int64_t& i64LastByte) {
    if (!m_bOutputOpen)
        return false;
    CAutoLock hold(m_lock);
    int64_t nBlock = Table().FirstUndone();
    if (nBlock < 0)
        return false;
    i64FirstByte = nBlock * GetBlockSize();
    i64LastByte = GetLength() - 1;
    return true;
}

bool COutputFile::IsComplete() {
    CAutoLock hold(m_lock);
    return CBitmapFile::IsComplete();
}
