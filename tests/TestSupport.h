// What the test programs share: a scratch folder per test, file helpers, and the address of
// the reference server that scripts/wine-test.sh starts for each test program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

std::string GetEnvString(const char* pszName);

// The reference server's base address "http://127.0.0.1:port", empty when none runs.
std::string TestServerBase();
// TestServerBase() + strPath (strPath starts with "/").
std::string TestServerUrl(const std::string& strPath);
// The folder the reference server serves, as a Windows path with a trailing backslash.
std::string TestServerRoot();

// A fresh folder for one test, removed with everything in it at the end of the scope.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    // The folder with a trailing backslash.
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& strName) const { return m_strPath + strName; }

private:
    std::string m_strPath;
};

// Sends every log line to a file for the life of the object: strPath, or a file in a scratch
// folder of its own when none is given.
class CLogCapture {
public:
    explicit CLogCapture(const std::string& strPath = std::string());
    ~CLogCapture();
    CLogCapture(const CLogCapture&) = delete;
    CLogCapture& operator=(const CLogCapture&) = delete;
    // The log is written in text mode: lines end with "\r\n".
    std::string Text() const;
    bool Contains(const std::string& strPart) const;

private:
    CTempDir m_dir;
    std::string m_strPath;
};

bool RemoveTree(const std::string& strFolder);
bool ReadFileBytes(const std::string& strPath, std::vector<uint8_t>& data);
std::string ReadFileText(const std::string& strPath);
bool WriteFileBytes(const std::string& strPath, const void* pData, size_t nSize);
bool WriteFileText(const std::string& strPath, const std::string& strText);
bool FileExists(const std::string& strPath);
int64_t FileSize(const std::string& strPath);
// How often strPart occurs in strText (overlaps counted).
size_t CountOccurrences(const std::string& strText, const std::string& strPart);
// A local time with the given fields and 0 milliseconds.
SYSTEMTIME MakeSystemTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond);
// Deterministic pseudo-random content, the same for the same seed and size.
std::vector<uint8_t> MakeContent(size_t nSize, uint32_t nSeed);
// Folder of the running test program, with a trailing backslash; helper programs lie there.
std::string TestBinFolder();
// Starts a program and waits up to nWaitMs for it; returns its exit code, or -1 on time-out
// or failure to start.
int RunProgram(const std::string& strCommandLine, DWORD nWaitMs);
