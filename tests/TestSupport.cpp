#include "TestSupport.h"

#include <cstdio>

#include "Handles.h"
#include "Log.h"
#include "Path.h"

std::string GetEnvString(const char* pszName) {
    char szValue[2048];
    DWORD n = ::GetEnvironmentVariableA(pszName, szValue, sizeof(szValue));
    return (n > 0 && n < sizeof(szValue)) ? std::string(szValue, n) : std::string();
}

std::string TestServerBase() {
    return GetEnvString("ORVANE_TEST_SERVER");
}
std::string TestServerUrl(const std::string& strPath) {
    return TestServerBase() + strPath;
}
std::string TestServerRoot() {
    std::string strRoot = GetEnvString("ORVANE_TEST_ROOT");
    return strRoot.empty() ? strRoot : AddBackslash(strRoot);
}

CTempDir::CTempDir() {
    std::string strBase = GetEnvString("ORVANE_TEST_TMP");
    if (strBase.empty()) {
        char szTemp[MAX_PATH];
        ::GetTempPathA(sizeof(szTemp), szTemp);
        strBase = szTemp;
    }
    static LONG nCounter = 0;
    for (;;) {
        std::string strCandidate = AddBackslash(strBase) + "t" + std::to_string(::GetCurrentProcessId()) +
                                   "_" + std::to_string(::InterlockedIncrement(&nCounter));
        if (::CreateDirectoryA(strCandidate.c_str(), nullptr)) {
            m_strPath = AddBackslash(strCandidate);
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
}

CTempDir::~CTempDir() {
    if (!m_strPath.empty())
        RemoveTree(m_strPath);
}

CLogCapture::CLogCapture(const std::string& strPath)
    : m_strPath(strPath.empty() ? m_dir.File("log.txt") : strPath) {
    ::DeleteFileA(m_strPath.c_str());
    SetLogFile(m_strPath.c_str());
    SetLogFlags(LOG_FILE);
    SetLogLevel(6);
}

CLogCapture::~CLogCapture() {
    SetLogFlags(0);
    SetLogFile("");
}

std::string CLogCapture::Text() const {
    return ReadFileText(m_strPath);
}

bool CLogCapture::Contains(const std::string& strPart) const {
    return Text().find(strPart) != std::string::npos;
}

bool RemoveTree(const std::string& strFolder) {
    std::string strBase = AddBackslash(strFolder);
    WIN32_FIND_DATAA fd;
    CFindHandle hFind(::FindFirstFileA((strBase + "*").c_str(), &fd));
    if (hFind) {
        do {
            std::string strName = fd.cFileName;
            if (strName == "." || strName == "..")
                continue;
            std::string strChild = strBase + strName;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(strChild);
            } else {
                ::SetFileAttributesA(strChild.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(strChild.c_str());
            }
        } while (::FindNextFileA(hFind.Get(), &fd));
    }
    hFind.Close();
    return ::RemoveDirectoryA(RemoveTrailingBackslash(strBase).c_str()) != FALSE;
}

bool ReadFileBytes(const std::string& strPath, std::vector<uint8_t>& data) {
    data.clear();
    CFileHandle hFile(::CreateFileA(strPath.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile)
        return false;
    uint8_t buffer[65536];
    DWORD nRead = 0;
    while (::ReadFile(hFile.Get(), buffer, sizeof(buffer), &nRead, nullptr) && nRead > 0) {
        data.insert(data.end(), buffer, buffer + nRead);
    }
    return true;
}

std::string ReadFileText(const std::string& strPath) {
    std::vector<uint8_t> data;
    ReadFileBytes(strPath, data);
    return std::string(data.begin(), data.end());
}

bool WriteFileBytes(const std::string& strPath, const void* pData, size_t nSize) {
    CFileHandle hFile(::CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile)
        return false;
    const uint8_t* p = static_cast<const uint8_t*>(pData);
    while (nSize > 0) {
        DWORD nChunk = nSize > (1u << 30) ? (1u << 30) : static_cast<DWORD>(nSize);
        DWORD nWritten = 0;
        if (!::WriteFile(hFile.Get(), p, nChunk, &nWritten, nullptr) || nWritten != nChunk)
            return false;
        p += nChunk;
        nSize -= nChunk;
    }
    return true;
}

bool WriteFileText(const std::string& strPath, const std::string& strText) {
    return WriteFileBytes(strPath, strText.data(), strText.size());
}

bool FileExists(const std::string& strPath) {
    DWORD dwAttr = ::GetFileAttributesA(strPath.c_str());
    return dwAttr != INVALID_FILE_ATTRIBUTES && !(dwAttr & FILE_ATTRIBUTE_DIRECTORY);
}

int64_t FileSize(const std::string& strPath) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(strPath.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

size_t CountOccurrences(const std::string& strText, const std::string& strPart) {
    size_t n = 0;
    for (size_t nAt = strText.find(strPart); nAt != std::string::npos; nAt = strText.find(strPart, nAt + 1))
        ++n;
    return n;
}

std::vector<uint8_t> MakeContent(size_t nSize, uint32_t nSeed) {
    std::vector<uint8_t> data(nSize);
    uint32_t x = nSeed * 2654435761u + 1;
    for (size_t i = 0; i < nSize; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = static_cast<uint8_t>(x);
    }
    return data;
}

std::string TestBinFolder() {
    return GetModuleFolder();
}

int RunProgram(const std::string& strCommandLine, DWORD nWaitMs) {
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(strCommandLine.begin(), strCommandLine.end());
    cmd.push_back('\0');
    if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    CHandle hProcess(pi.hProcess);
    CHandle hThread(pi.hThread);
    if (::WaitForSingleObject(hProcess.Get(), nWaitMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(hProcess.Get(), 1);
        return -1;
    }
    DWORD dwCode = 0;
    ::GetExitCodeProcess(hProcess.Get(), &dwCode);
    return static_cast<int>(dwCode);
}

SYSTEMTIME MakeSystemTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(nYear);
    st.wMonth = static_cast<WORD>(nMonth);
    st.wDay = static_cast<WORD>(nDay);
    st.wHour = static_cast<WORD>(nHour);
    st.wMinute = static_cast<WORD>(nMinute);
    st.wSecond = static_cast<WORD>(nSecond);
    return st;
}
