#include "Log.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "Handles.h"
#include "StringUtil.h"
#include "TestSupport.h"

namespace {

// The log file is written in text mode: each "\n" is "\r\n" on disk.
std::vector<std::string> ReadLines(const std::string& strPath) {
    std::string strText = ReadFileText(strPath);
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = strText.find("\r\n", nStart)) != std::string::npos; nStart = nEnd + 2) {
        lines.push_back(strText.substr(nStart, nEnd - nStart));
    }
    if (nStart < strText.size())
        lines.push_back("UNTERMINATED:" + strText.substr(nStart));
    return lines;
}

// Each test starts from known settings and leaves the log writing nothing.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strFile = m_temp.File("test.log");
        SetLogFile(m_strFile.c_str());
        SetLogLevel(6);
        SetLogFlags(LOG_FILE);
    }
    void TearDown() override {
        SetLogFile("");
        SetLogLevel(3);
        SetLogFlags(LOG_TIME);
    }
    CTempDir m_temp;
    std::string m_strFile;
};

DWORD WINAPI LogFromOtherThread(LPVOID) {
    LOGF(0, "other thread\n");
    return 0;
}

// True when another thread can log at once, i.e. the line lock is free.
bool OtherThreadCanLog() {
    CHandle hThread(CreateThread(nullptr, 0, LogFromOtherThread, nullptr, 0, nullptr));
    return hThread && WaitForSingleObject(hThread.Get(), 5000) == WAIT_OBJECT_0;
}

}  // namespace

// Runs first, while the process still has the settings it started with.
TEST(LogDefaults, WriteNothingYetReleaseTheLock) {
    EXPECT_EQ(GetLogLevel(), 3);
    EXPECT_EQ(GetLogFlags(), static_cast<unsigned>(LOG_TIME));
    EXPECT_TRUE(IsLogLevelEnabled(3));
    EXPECT_FALSE(IsLogLevelEnabled(4));
    for (int nLevel = 0; nLevel <= 3; ++nLevel) LOGF(nLevel, "level %d\n", nLevel);
    EXPECT_TRUE(OtherThreadCanLog());
}

TEST_F(LogTest, LevelsAreComparedSigned) {
    LOGF(7, "seven\n");
    LOGF(6, "six\n");
    LOGF(0, "zero\n");
    EXPECT_EQ(ReadLines(m_strFile), (std::vector<std::string>{"six", "zero"}));
    SetLogLevel(-1);
    EXPECT_FALSE(IsLogLevelEnabled(0));
    EXPECT_TRUE(IsLogLevelEnabled(-1));
    EXPECT_TRUE(IsLogLevelEnabled(-100));
}

TEST_F(LogTest, PrefixPartsInOrder) {
    SetLogFlags(LOG_TIME | LOG_FILE);
    LOGF(0, "LoadConfig %d\n", 384);
    SetLogFlags(LOG_TIME | LOG_LEVEL | LOG_SOURCE | LOG_FILE);
    LogPrintf(BeginLogLine(5, "dir\\a.cpp", 42), "x=%I64d\n", static_cast<long long>(-5000000000LL));
    SetLogFlags(LOG_LEVEL | LOG_SOURCE | LOG_FILE);
    LogPrintf(BeginLogLine(-2, nullptr, 7), "no source\n");
    SetLogFlags(LOG_SOURCE | LOG_FILE);
    LogPrintf(BeginLogLine(0, "b.cpp", 0), "%s", "");
    LogPrintf(BeginLogLine(0, "c.cpp", 1), "end\n");

    std::vector<std::string> lines = ReadLines(m_strFile);
    ASSERT_EQ(lines.size(), 4u);
    std::smatch m;
    ASSERT_TRUE(
        std::regex_match(lines[0], m, std::regex("(\\d\\d):(\\d\\d):(\\d\\d):(\\d\\d\\d) LoadConfig 384")))
        << lines[0];
    EXPECT_LT(std::stoi(m[1]), 24);
    EXPECT_LT(std::stoi(m[2]), 60);
    EXPECT_LT(std::stoi(m[3]), 60);
    EXPECT_TRUE(
        std::regex_match(lines[1], std::regex("\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d 5 dir\\\\a\\.cpp\\( 42 \\) "
                                              "x=-5000000000")))
        << lines[1];
    EXPECT_EQ(lines[2], "-2 NULL( 7 ) no source");
    // A line without a line end of its own is written as it is; the next one follows it.
    EXPECT_EQ(lines[3], "b.cpp( 0 ) c.cpp( 1 ) end");
}

TEST_F(LogTest, TimePrefixIsTheLocalTime) {
    SetLogFlags(LOG_TIME | LOG_FILE);
    SYSTEMTIME st;
    GetLocalTime(&st);
    LOGF(0, "now\n");
    std::vector<std::string> lines = ReadLines(m_strFile);
    ASSERT_EQ(lines.size(), 1u);
    int nLogged = std::stoi(lines[0].substr(0, 2)) * 3600 + std::stoi(lines[0].substr(3, 2)) * 60 +
                  std::stoi(lines[0].substr(6, 2));
    int nNow = st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
    int nDiff = (nLogged - nNow + 86400) % 86400;
    EXPECT_LE(nDiff, 2) << lines[0];
}

TEST_F(LogTest, FileIsOpenedAndClosedForEachLine) {
    LOGF(0, "first\n");
    // No handle stays open between lines: exclusive access and a rename both succeed.
    {
        CFileHandle hExclusive(
            CreateFileA(m_strFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(hExclusive.IsValid());
    }
    std::string strMoved = m_temp.File("moved.log");
    ASSERT_TRUE(MoveFileA(m_strFile.c_str(), strMoved.c_str()));
    LOGF(0, "second\n");
    EXPECT_EQ(ReadLines(strMoved), std::vector<std::string>{"first"});
    EXPECT_EQ(ReadLines(m_strFile), std::vector<std::string>{"second"});
    // Appending, never truncating.
    LOGF(0, "third\n");
    EXPECT_EQ(ReadLines(m_strFile), (std::vector<std::string>{"second", "third"}));
}

TEST_F(LogTest, NoFileForShortPathsMissingFoldersOrWithoutTheFlag) {
    CTempDir cwd;
    char szOld[MAX_PATH];
    GetCurrentDirectoryA(sizeof(szOld), szOld);
    ASSERT_TRUE(SetCurrentDirectoryA(cwd.Path().c_str()));
    SetLogFile("x");
    LOGF(0, "one character\n");
    EXPECT_FALSE(FileExists(cwd.File("x")));
    SetLogFile("xy");
    LOGF(0, "two characters\n");
    EXPECT_TRUE(FileExists(cwd.File("xy")));
    SetCurrentDirectoryA(szOld);

    std::string strMissing = m_temp.File("log\\a.log");
    SetLogFile(strMissing.c_str());
    LOGF(0, "no folder\n");
    EXPECT_FALSE(FileExists(strMissing));
    EXPECT_EQ(GetFileAttributesA(m_temp.File("log").c_str()), INVALID_FILE_ATTRIBUTES);

    // A null path keeps the setting; without the file flag nothing is written.
    SetLogFile(m_strFile.c_str());
    SetLogFile(nullptr);
    LOGF(0, "kept\n");
    SetLogFlags(LOG_TIME);
    LOGF(0, "not written\n");
    EXPECT_EQ(ReadLines(m_strFile), std::vector<std::string>{"kept"});
}

TEST_F(LogTest, LongLinesAreCutAndStillEndTheLine) {
    std::string strFits(kLogLineMax - 1, 'a');
    LOGF(0, "%s\n", strFits.c_str());
    LOGF(0, "%s\n", std::string(kLogLineMax, 'b').c_str());
    LOGF(0, "%s\n", std::string(10000, 'c').c_str());
    // A prefix longer than the buffer leaves no room for the message.
    SetLogFlags(LOG_SOURCE | LOG_FILE);
    std::string strSource(5000, 's');
    LogPrintf(BeginLogLine(0, strSource.c_str(), 1), "lost\n");
    SetLogFlags(LOG_FILE);
    LOGF(0, "after\n");

    std::vector<std::string> lines = ReadLines(m_strFile);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], strFits);
    EXPECT_EQ(lines[1], std::string(kLogLineMax - 1, 'b'));
    EXPECT_EQ(lines[2], std::string(kLogLineMax - 1, 'c'));
    EXPECT_EQ(lines[3], std::string(kLogLineMax - 1, 's'));
    EXPECT_EQ(lines[4], "after");
}

TEST_F(LogTest, CutNeverSplitsADoubleByteCharacter) {
    // "中" is D6 D0 in GBK. At 4094 it would straddle the line end's place.
    std::string strStraddle = std::string(kLogLineMax - 2, 'a') + "中中";
    LOGF(0, "%s\n", strStraddle.c_str());
    std::string strFits = std::string(kLogLineMax - 3, 'b') + "中中";
    LOGF(0, "%s\n", strFits.c_str());
    // A prefix cut inside a character, then a message that finds no room.
    SetLogFlags(LOG_SOURCE | LOG_FILE);
    std::string strSource = std::string(kLogLineMax - 2, 's') + "中";
    LogPrintf(BeginLogLine(0, strSource.c_str(), 1), "%s", "x");
    SetLogFlags(LOG_FILE);
    LOGF(0, "after\n");

    std::vector<std::string> lines = ReadLines(m_strFile);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], std::string(kLogLineMax - 2, 'a'));
    EXPECT_EQ(lines[1], std::string(kLogLineMax - 3, 'b') + "中");
    EXPECT_EQ(lines[2], std::string(kLogLineMax - 2, 's'));
    EXPECT_EQ(lines[3], "after");
}

TEST_F(LogTest, OverlongPathsAreHeldWithoutHarm) {
    // Paths of up to kLogPathMax bytes are kept; longer ones are cut to that. Neither may
    // spill over the settings or the lock that lie beside the path.
    for (size_t nLength : {static_cast<size_t>(kLogPathMax), static_cast<size_t>(kLogPathMax) + 1,
                           size_t{600}, size_t{100000}}) {
        std::string strLong = m_temp.Path() + std::string(nLength - m_temp.Path().size(), 'p');
        SetLogFile(strLong.c_str());
        LOGF(0, "long path\n");
        EXPECT_EQ(GetLogLevel(), 6);
        EXPECT_EQ(GetLogFlags(), static_cast<unsigned>(LOG_FILE));
        EXPECT_TRUE(OtherThreadCanLog());
    }
    SetLogFile(m_strFile.c_str());
    LOGF(0, "short again\n");
    EXPECT_EQ(ReadLines(m_strFile), std::vector<std::string>{"short again"});
}

namespace {

constexpr int kThreads = 4;
constexpr int kLinesPerThread = 250;

DWORD WINAPI LogManyLines(LPVOID pParam) {
    int nThread = static_cast<int>(reinterpret_cast<INT_PTR>(pParam));
    std::string strPayload(100 + nThread * 37, static_cast<char>('k' + nThread));
    for (int i = 0; i < kLinesPerThread; ++i) {
        LOGF(0, "T%d L%04d %s|\n", nThread, i, strPayload.c_str());
    }
    return 0;
}

}  // namespace

TEST_F(LogTest, ConcurrentWritersProduceWholeLines) {
    SetLogFlags(LOG_TIME | LOG_LEVEL | LOG_FILE);
    std::vector<HANDLE> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.push_back(CreateThread(nullptr, 0, LogManyLines,
                                       reinterpret_cast<LPVOID>(static_cast<INT_PTR>(t)), 0, nullptr));
        ASSERT_NE(threads.back(), nullptr);
    }
    WaitForMultipleObjects(kThreads, threads.data(), TRUE, INFINITE);
    for (HANDLE h : threads) CloseHandle(h);

    std::vector<std::string> lines = ReadLines(m_strFile);
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesPerThread));
    std::regex pattern("\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d 0 T(\\d) L(\\d{4}) ([k-n]+)\\|");
    std::set<std::string> seen;
    for (const std::string& line : lines) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, pattern)) << line.substr(0, 80);
        int nThread = std::stoi(m[1]);
        EXPECT_EQ(m[3].str(), std::string(100 + nThread * 37, static_cast<char>('k' + nThread)));
        EXPECT_TRUE(seen.insert(m[1].str() + m[2].str()).second);
    }
}
