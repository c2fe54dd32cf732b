// Runs the real program in a scratch folder and reads what its start-up leaves behind.
#include "Orvane.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "Handles.h"
#include "TestSupport.h"

namespace {

std::vector<std::string> ListFolder(const std::string& strFolder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    CFindHandle hFind(FindFirstFileA((strFolder + "*").c_str(), &fd));
    if (!hFind)
        return names;
    do {
        std::string strName = fd.cFileName;
        if (strName != "." && strName != "..")
            names.push_back(strName);
    } while (FindNextFileA(hFind.Get(), &fd));
    return names;
}

// The messages of the log lines, with the time prefix checked and taken off.
std::vector<std::string> LogMessages(const std::string& strFile) {
    std::string strText = ReadFileText(strFile);
    std::vector<std::string> messages;
    std::regex line("\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d (.*)\r");
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = strText.find('\n', nStart)) != std::string::npos; nStart = nEnd + 1) {
        std::smatch m;
        std::string strLine = strText.substr(nStart, nEnd - nStart);
        messages.push_back(std::regex_match(strLine, m, line) ? m[1].str() : "BAD:" + strLine);
    }
    if (nStart < strText.size())
        messages.push_back("UNTERMINATED:" + strText.substr(nStart));
    return messages;
}

// A copy of the program in its own folder, optionally with a "log" folder beside it.
class COrvaneCopy {
public:
    explicit COrvaneCopy(bool bLogFolder) {
        m_strExe = m_temp.File("Orvane.exe");
        EXPECT_TRUE(CopyFileA((TestBinFolder() + "Orvane.exe").c_str(), m_strExe.c_str(), FALSE));
        if (bLogFolder) {
            EXPECT_TRUE(CreateDirectoryA(m_temp.File("log").c_str(), nullptr));
        }
    }
    int Run() { return RunProgram("\"" + m_strExe + "\"", 60000); }
    std::string Folder() const { return m_temp.Path(); }

private:
    CTempDir m_temp;
    std::string m_strExe;
};

const char kStarted[] = "下载器启动";

}  // namespace

TEST(OrvaneApp, LogFilePathFormat) {
    SYSTEMTIME st = MakeSystemTime(2021, 3, 3, 14, 5, 9);
    EXPECT_EQ(MakeLogFilePath("C:\\Apps\\", st), "C:\\Apps\\log\\20210303 140509.log");
}

TEST(OrvaneApp, StartUpLogsEachStepIntoOneFile) {
    COrvaneCopy app(true);
    SYSTEMTIME stBefore, stAfter;
    GetLocalTime(&stBefore);
    EXPECT_EQ(app.Run(), 0);
    GetLocalTime(&stAfter);
    std::vector<std::string> logs = ListFolder(app.Folder() + "log\\");
    ASSERT_EQ(logs.size(), 1u);
    // Named after the start time: between the two readings (names sort like times).
    std::string strFirst = MakeLogFilePath("", stBefore).substr(4);
    std::string strLast = MakeLogFilePath("", stAfter).substr(4);
    EXPECT_TRUE(std::regex_match(logs[0], std::regex("20\\d{6} \\d{6}\\.log"))) << logs[0];
    EXPECT_GE(logs[0], strFirst);
    EXPECT_LE(logs[0], strLast);
    EXPECT_EQ(LogMessages(app.Folder() + "log\\" + logs[0]),
              (std::vector<std::string>{kStarted, "COrvaneApp 107", "COrvaneApp 125", "COrvaneApp 128",
                                        "COrvaneApp 134"}));
    EXPECT_EQ(std::string(kStarted), "\xCF\xC2\xD4\xD8\xC6\xF7\xC6\xF4\xB6\xAF");
}

TEST(OrvaneApp, SecondCopyEndsAtTheMutex) {
    CHandle hMutex(CreateMutexA(nullptr, TRUE, kSingleInstanceMutex));
    ASSERT_TRUE(hMutex.IsValid());
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    COrvaneCopy app(true);
    EXPECT_EQ(app.Run(), 0);
    std::vector<std::string> logs = ListFolder(app.Folder() + "log\\");
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(LogMessages(app.Folder() + "log\\" + logs[0]),
              (std::vector<std::string>{kStarted, "COrvaneApp 107"}));
}

TEST(OrvaneApp, WithoutALogFolderNothingIsWritten) {
    COrvaneCopy app(false);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(ListFolder(app.Folder()), std::vector<std::string>{"Orvane.exe"});
}
