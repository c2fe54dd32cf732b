#include "CrashDump.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "Handles.h"
#include "TestSupport.h"

namespace {

// The dump name as the filter builds it, into a buffer with room to spare.
std::string MakeDumpFileName(const std::string& strProgram, const SYSTEMTIME& st) {
    std::vector<char> buffer(strProgram.size() + 48);
    return FormatDumpFileName(buffer.data(), buffer.size(), strProgram.c_str(), st)
               ? std::string(buffer.data())
               : std::string();
}

// Names in the folder that match a pattern such as "x.exe*.dmp".
std::vector<std::string> FindNames(const std::string& strPattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    CFindHandle hFind(FindFirstFileA(strPattern.c_str(), &fd));
    if (!hFind)
        return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileA(hFind.Get(), &fd));
    return names;
}

// Seconds since 2000 of a "YYYYMMDD_HHMMSS" stamp, or -1.
long long StampSeconds(const std::string& strStamp) {
    SYSTEMTIME st = {};
    if (sscanf(strStamp.c_str(), "%4hu%2hu%2hu_%2hu%2hu%2hu", &st.wYear, &st.wMonth, &st.wDay, &st.wHour,
               &st.wMinute, &st.wSecond) != 6) {
        return -1;
    }
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft))
        return -1;
    return static_cast<long long>(
        (static_cast<unsigned long long>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) / 10000000ULL);
}

long long NowSeconds() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return static_cast<long long>(
        (static_cast<unsigned long long>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) / 10000000ULL);
}

uint32_t ReadU32(const std::vector<uint8_t>& data, size_t nOffset) {
    if (nOffset + 4 > data.size())
        return 0;
    return data[nOffset] | data[nOffset + 1] << 8 | data[nOffset + 2] << 16 |
           static_cast<uint32_t>(data[nOffset + 3]) << 24;
}

// The code of the exception stream of a minidump, 0 when it has none.
uint32_t DumpedExceptionCode(const std::vector<uint8_t>& data) {
    uint32_t nStreams = ReadU32(data, 8), nDirectory = ReadU32(data, 12);
    uint32_t nExceptionCode = 0;
    for (uint32_t i = 0; i < nStreams && nDirectory + i * 12 + 12 <= data.size(); ++i) {
        uint32_t nType = ReadU32(data, nDirectory + i * 12);
        uint32_t nRva = ReadU32(data, nDirectory + i * 12 + 8);
        if (nType == 6 && nRva + 12 <= data.size())
            nExceptionCode = ReadU32(data, nRva + 8);
    }
    return nExceptionCode;
}

// Started with ORVANE_CRASH_MODE=stack, a copy of this test program overflows its stack under
// the crash handler before any test runs.
volatile int g_nDepthLeft = 0x7FFFFFFF;

int Recurse(int nDepth) {
    volatile char pad[256];
    pad[nDepth % sizeof(pad)] = static_cast<char>(nDepth);
    if (--g_nDepthLeft == 0)
        return 0;
    return Recurse(nDepth + 1) + pad[0];
}

const bool g_bOverflowChild = [] {
    char szMode[16] = "";
    if (GetEnvironmentVariableA("ORVANE_CRASH_MODE", szMode, sizeof(szMode)) == 0 ||
        strcmp(szMode, "stack") != 0) {
        return false;
    }
    InstallCrashHandler();
    ExitProcess(static_cast<UINT>(7 + Recurse(0)));
    return true;
}();

}  // namespace

TEST(CrashDump, DumpFileNameFollowsTheProgram) {
    SYSTEMTIME st = MakeSystemTime(2021, 3, 3, 14, 5, 9);
    st.wMilliseconds = 999;
    EXPECT_EQ(MakeDumpFileName("C:\\Apps\\setup.exe", st), "C:\\Apps\\setup.exe20210303_140509.dmp");
    st = MakeSystemTime(1999, 12, 31, 0, 0, 0);
    EXPECT_EQ(MakeDumpFileName("a.exe", st), "a.exe19991231_000000.dmp");
    st.wYear = 65535;
    EXPECT_EQ(MakeDumpFileName("a.exe", st), "a.exe655351231_000000.dmp");

    char szOut[25];
    EXPECT_TRUE(FormatDumpFileName(szOut, sizeof(szOut), "b", st));
    EXPECT_STREQ(szOut, "b655351231_000000.dmp");
    // One byte short of the terminator: refused, never cut or overrun.
    char szSmall[26] = "xxxxxxxxxxxxxxxxxxxxxxxxx";
    EXPECT_FALSE(FormatDumpFileName(szSmall, 25, "a.exe", st));
    EXPECT_STREQ(szSmall, "");
}

TEST(CrashDump, AFaultingProgramLeavesAMinidumpAndExitsWithZero) {
    CTempDir temp;
    std::string strExe = temp.File("crasher.exe");
    ASSERT_TRUE(CopyFileA((TestBinFolder() + "OrvCrasher.exe").c_str(), strExe.c_str(), FALSE));

    long long nBefore = NowSeconds();
    EXPECT_EQ(RunProgram("\"" + strExe + "\"", 60000), 0);
    long long nAfter = NowSeconds();

    std::vector<std::string> dumps = FindNames(temp.File("crasher.exe*.dmp"));
    ASSERT_EQ(dumps.size(), 1u);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(dumps[0], m, std::regex("crasher\\.exe(\\d{8}_\\d{6})\\.dmp"))) << dumps[0];
    long long nStamp = StampSeconds(m[1]);
    EXPECT_GE(nStamp, nBefore - 1);
    EXPECT_LE(nStamp, nAfter + 1);

    std::vector<uint8_t> data;
    ASSERT_TRUE(ReadFileBytes(temp.File(dumps[0]), data));
    ASSERT_GT(data.size(), 32u);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 4), "MDMP");
    // The exception stream records the access violation that ended the program.
    EXPECT_EQ(DumpedExceptionCode(data), 0xC0000005u);
    // Nothing else was written beside the program.
    EXPECT_EQ(FindNames(temp.File("*")).size(), 4u);  // ".", "..", the program, the dump
}

TEST(CrashDump, ADumpReplacesAnEarlierOneOfTheSameSecond) {
    CTempDir temp;
    std::string strExe = temp.File("crasher.exe");
    ASSERT_TRUE(CopyFileA((TestBinFolder() + "OrvCrasher.exe").c_str(), strExe.c_str(), FALSE));
    // Earlier files under every name the next minute can give (a loaded machine may take a
    // while to start the program), larger than any dump and marked at both ends.
    const LONG kEarlierBytes = 8 * 1024 * 1024;
    const std::string strMark(4096, 'J');
    long long nNow = NowSeconds();
    std::vector<std::string> names;
    for (long long n = nNow; n < nNow + 60; ++n) {
        ULONGLONG ull = static_cast<ULONGLONG>(n) * 10000000ULL;
        FILETIME ft = {static_cast<DWORD>(ull), static_cast<DWORD>(ull >> 32)};
        SYSTEMTIME st;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &st));
        names.push_back(MakeDumpFileName(strExe, st));
        ASSERT_TRUE(WriteFileText(names.back(), strMark));
        CFileHandle hFile(
            CreateFileA(names.back().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(hFile.IsValid());
        DWORD dwWritten = 0;
        SetFilePointer(hFile.Get(), kEarlierBytes - static_cast<LONG>(strMark.size()), nullptr, FILE_BEGIN);
        ASSERT_TRUE(
            WriteFile(hFile.Get(), strMark.data(), static_cast<DWORD>(strMark.size()), &dwWritten, nullptr));
    }
    ASSERT_EQ(RunProgram("\"" + strExe + "\"", 60000), 0);
    int nReplaced = 0;
    for (const std::string& strName : names) {
        if (FileSize(strName) == kEarlierBytes)
            continue;
        ++nReplaced;
        std::string strText = ReadFileText(strName);
        EXPECT_EQ(strText.substr(0, 4), "MDMP");
        EXPECT_EQ(strText.find("JJJJ"), std::string::npos);
    }
    EXPECT_EQ(nReplaced, 1);
}

TEST(CrashDump, AStackOverflowLeavesAMinidumpAndExitsWithZero) {
    ASSERT_FALSE(g_bOverflowChild);
    CTempDir temp;
    std::string strExe = temp.File("overflow.exe");
    char szSelf[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, szSelf, sizeof(szSelf)), 0u);
    ASSERT_TRUE(CopyFileA(szSelf, strExe.c_str(), FALSE));
    ASSERT_TRUE(SetEnvironmentVariableA("ORVANE_CRASH_MODE", "stack"));
    int nExit = RunProgram("\"" + strExe + "\"", 60000);
    SetEnvironmentVariableA("ORVANE_CRASH_MODE", nullptr);
    EXPECT_EQ(nExit, 0);
    std::vector<std::string> dumps = FindNames(temp.File("overflow.exe*.dmp"));
    ASSERT_EQ(dumps.size(), 1u);
    std::vector<uint8_t> data;
    ASSERT_TRUE(ReadFileBytes(temp.File(dumps[0]), data));
    ASSERT_GT(data.size(), 32u);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 4), "MDMP");
    EXPECT_EQ(DumpedExceptionCode(data), 0xC00000FDu);
}

// A debug-help library without the writer (a stand-in library under its name) planted beside
// the program, and the loader told to prefer such files: the system's own library is loaded
// all the same, so the filter is installed (the "nowriter" check answers 23) rather than
// nothing (20).
TEST(CrashDump, APlantedLibraryWithoutAWriterIsPassedOver) {
    CTempDir temp;
    std::string strExe = temp.File("orvnowriter.exe");
    ASSERT_TRUE(CopyFileA((TestBinFolder() + "OrvCrasher.exe").c_str(), strExe.c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA((TestBinFolder() + "Corvendil.dll").c_str(), temp.File("dbghelp.dll").c_str(), FALSE));
    // Windows loads the library beside the program first; Wine prefers its own unless the
    // program's settings say otherwise (a key Windows never reads).
    const char kOverrides[] = "Software\\Wine\\AppDefaults\\orvnowriter.exe\\DllOverrides";
    CRegKey hKey;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              hKey.Receive(), nullptr),
              ERROR_SUCCESS);
    const char kNative[] = "native,builtin";
    RegSetValueExA(hKey.Get(), "dbghelp", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNative), sizeof(kNative));
    hKey.Close();
    int nExit = RunProgram("\"" + strExe + "\" nowriter", 60000);
    RegDeleteKeyA(HKEY_CURRENT_USER, kOverrides);
    EXPECT_EQ(nExit, 23);
    EXPECT_TRUE(FindNames(temp.File("orvnowriter.exe*.dmp")).empty());
}
