// Runs the real program in a scratch folder and reads what its start-up leaves behind.
#include "Orvane.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "Handles.h"
#include "RefServerControl.h"
#include "TestSupport.h"
#include "resource.h"

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
    // Runs the program against the test server's "nothing to install" scenario, confirms its
    // message box with Enter and answers the exit code (-1 when it did not end); the box's
    // first line in strMessage.
    int RunToNothingToInstall(std::string& strMessage);
    std::string Folder() const { return m_temp.Path(); }

private:
    CTempDir m_temp;
    std::string m_strExe;
};

const char kStarted[] = "下载器启动";

struct BoxSearch {
    DWORD dwProcessId;
    HWND hFound;
};

BOOL CALLBACK FindBoxProc(HWND hWnd, LPARAM lParam) {
    auto* p = reinterpret_cast<BoxSearch*>(lParam);
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hWnd, &dwPid);
    if (dwPid == p->dwProcessId && IsWindowVisible(hWnd) && GetDlgItem(hWnd, IDC_MSGBOX_LINE1)) {
        p->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The visible message box of a process, or null.
HWND FindProcessBox(DWORD dwProcessId) {
    BoxSearch search = {dwProcessId, nullptr};
    EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

}  // namespace

int COrvaneCopy::RunToNothingToInstall(std::string& strMessage) {
    std::string strAnswer;
    EXPECT_TRUE(ServerGet("/_maker/scenario?name=nothing", strAnswer)) << strAnswer;
    SetEnvironmentVariableA("ORVANE_SERVER_BASE", TestServerBase().c_str());
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string strCommand = "\"" + m_strExe + "\"";
    std::vector<char> cmd(strCommand.begin(), strCommand.end());
    cmd.push_back('\0');
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    CHandle hProcess(pi.hProcess), hThread(pi.hThread);
    HWND hBox = nullptr;
    for (int i = 0; i < 300 && !hBox && WaitForSingleObject(hProcess.Get(), 100) == WAIT_TIMEOUT; ++i)
        hBox = FindProcessBox(pi.dwProcessId);
    char szLine[256] = {};
    if (hBox) {
        GetWindowTextA(GetDlgItem(hBox, IDC_MSGBOX_LINE1), szLine, sizeof(szLine));
        PostMessageW(GetDlgItem(hBox, IDOK), WM_KEYDOWN, VK_RETURN, 0);
    }
    strMessage = szLine;
    DWORD dwCode = 0;
    if (WaitForSingleObject(hProcess.Get(), 30000) != WAIT_OBJECT_0) {
        TerminateProcess(hProcess.Get(), 1);
        return -1;
    }
    GetExitCodeProcess(hProcess.Get(), &dwCode);
    return static_cast<int>(dwCode);
}

TEST(OrvaneApp, LogFilePathFormat) {
    SYSTEMTIME st = MakeSystemTime(2021, 3, 3, 14, 5, 9);
    EXPECT_EQ(MakeLogFilePath("C:\\Apps\\", st), "C:\\Apps\\log\\20210303 140509.log");
}

TEST(OrvaneApp, StartUpLogsEachStepIntoOneFile) {
    COrvaneCopy app(true);
    SYSTEMTIME stBefore, stAfter;
    GetLocalTime(&stBefore);
    std::string strMessage;
    EXPECT_EQ(app.RunToNothingToInstall(strMessage), 0);
    EXPECT_EQ("已安装所有产品，无需安装。", strMessage);
    GetLocalTime(&stAfter);
    std::vector<std::string> logs = ListFolder(app.Folder() + "log\\");
    ASSERT_EQ(logs.size(), 1u);
    // Named after the start time: between the two readings (names sort like times).
    std::string strFirst = MakeLogFilePath("", stBefore).substr(4);
    std::string strLast = MakeLogFilePath("", stAfter).substr(4);
    EXPECT_TRUE(std::regex_match(logs[0], std::regex("20\\d{6} \\d{6}\\.log"))) << logs[0];
    EXPECT_GE(logs[0], strFirst);
    EXPECT_LE(logs[0], strLast);
    // The start-up steps, then the configuration loading; nothing to install ends it before
    // the server pictures and the main dialog.
    std::vector<std::string> messages = LogMessages(app.Folder() + "log\\" + logs[0]);
    messages.resize(std::min<size_t>(messages.size(), 6));
    EXPECT_EQ(messages, (std::vector<std::string>{kStarted, "COrvaneApp 107", "COrvaneApp 125",
                                                  "COrvaneApp 128", "COrvaneApp 134", "COrvaneApp 141"}));
    std::string strLog = ReadFileText(app.Folder() + "log\\" + logs[0]);
    EXPECT_EQ(std::string::npos, strLog.find("LoadFromServer"));
    EXPECT_EQ(std::string::npos, strLog.find("DoModal"));
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
    std::string strMessage;
    EXPECT_EQ(app.RunToNothingToInstall(strMessage), 0);
    EXPECT_EQ(ListFolder(app.Folder()), std::vector<std::string>{"Orvane.exe"});
}
