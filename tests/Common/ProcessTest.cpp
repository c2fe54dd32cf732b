#include "Process.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "Handles.h"
#include "Log.h"
#include "TestSupport.h"

namespace {

// Copies of the sleeper program under names no other process has.
class CSleepers {
public:
    CSleepers() : m_strStem("orvsleep_" + std::to_string(GetCurrentProcessId()) + "_") {}
    ~CSleepers() {
        for (HANDLE h : m_processes) {
            TerminateProcess(h, 1);
            WaitForSingleObject(h, 5000);
            CloseHandle(h);
        }
    }
    // The program file "<stem><tag>.exe" in the temp folder (or a sub folder of it).
    std::string Copy(const std::string& strTag, const std::string& strSub = "") {
        std::string strFolder = m_temp.Path();
        if (!strSub.empty()) {
            strFolder += strSub + "\\";
            CreateDirectoryA(strFolder.c_str(), nullptr);
        }
        std::string strExe = strFolder + Name(strTag);
        EXPECT_TRUE(CopyFileA((TestBinFolder() + "OrvSleeper.exe").c_str(), strExe.c_str(), FALSE)) << strExe;
        return strExe;
    }
    std::string Name(const std::string& strTag) const { return m_strStem + strTag + ".exe"; }
    HANDLE Start(const std::string& strExe, const std::string& strArgs = "") {
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        std::string strCmd = "\"" + strExe + "\" " + strArgs;
        std::vector<char> cmd(strCmd.begin(), strCmd.end());
        cmd.push_back('\0');
        if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            return nullptr;
        }
        CloseHandle(pi.hThread);
        m_processes.push_back(pi.hProcess);
        return pi.hProcess;
    }
    const CTempDir& Temp() const { return m_temp; }

private:
    CTempDir m_temp;
    std::string m_strStem;
    std::vector<HANDLE> m_processes;
};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return s;
}

DWORD ExitCodeOf(HANDLE hProcess) {
    DWORD dwCode = 12345;
    GetExitCodeProcess(hProcess, &dwCode);
    return dwCode;
}

}  // namespace

TEST(Process, ExecAppStartsHiddenAndHandsBackTheProcess) {
    CSleepers sleepers;
    std::string strExe = sleepers.Copy("exec");
    std::string strLog = sleepers.Temp().File("exec.log");
    SetLogFile(strLog.c_str());
    SetLogFlags(LOG_FILE);
    CHandle hProcess(ExecApp(strExe, "50 7"));
    CHandle hNone(ExecApp(sleepers.Temp().File("missing.exe"), nullptr));
    SetLogFile("");
    SetLogFlags(LOG_TIME);

    ASSERT_TRUE(hProcess.IsValid());
    ASSERT_EQ(WaitForSingleObject(hProcess.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(hProcess.Get()), 7u);
    EXPECT_FALSE(hNone.IsValid());
    // Started hidden.
    CHandle hShow(ExecApp(strExe, "0 show"));
    ASSERT_TRUE(hShow.IsValid());
    ASSERT_EQ(WaitForSingleObject(hShow.Get(), 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(hShow.Get()), static_cast<DWORD>(SW_HIDE));
    EXPECT_EQ(ReadFileText(strLog), "ExecApp " + strExe + " 50 7 [1]\r\nExecApp " +
                                        sleepers.Temp().File("missing.exe") + "  [0]\r\n");
}

TEST(Process, FindAndEndProcessesByExecutableName) {
    CSleepers sleepers;
    std::string strTarget = sleepers.Copy("a");
    std::string strOther = sleepers.Copy("b");
    // A folder that carries the name of a program is not that program.
    std::string strInFolder = sleepers.Copy("c", sleepers.Name("dir"));

    EXPECT_FALSE(IsProcessRunning(sleepers.Name("a")));
    std::vector<HANDLE> targets;
    for (int i = 0; i < 3; ++i) {
        targets.push_back(sleepers.Start(strTarget));
        ASSERT_NE(targets.back(), nullptr);
    }
    HANDLE hOther = sleepers.Start(strOther);
    HANDLE hInFolder = sleepers.Start(strInFolder);
    ASSERT_NE(hOther, nullptr);
    ASSERT_NE(hInFolder, nullptr);

    EXPECT_TRUE(IsProcessRunning(sleepers.Name("a")));
    EXPECT_TRUE(IsProcessRunning(Upper(sleepers.Name("a"))));
    EXPECT_TRUE(IsProcessRunning(sleepers.Name("c")));
    EXPECT_FALSE(IsProcessRunning(sleepers.Name("dir")));
    EXPECT_FALSE(IsProcessRunning(sleepers.Name("")));
    EXPECT_FALSE(IsProcessRunning(strTarget));

    KillProcessByName(Upper(sleepers.Name("A")));
    for (HANDLE h : targets) {
        ASSERT_EQ(WaitForSingleObject(h, 10000), WAIT_OBJECT_0);
        EXPECT_EQ(ExitCodeOf(h), 0xFFFFFFFFu);
    }
    EXPECT_FALSE(IsProcessRunning(sleepers.Name("a")));
    // Other names live on.
    EXPECT_EQ(WaitForSingleObject(hOther, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(hInFolder, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    KillProcessByName(sleepers.Name("dir"));
    EXPECT_EQ(WaitForSingleObject(hInFolder, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    // Nothing to end is no failure.
    KillProcessByName(sleepers.Name("none"));

    // A GBK name whose trail byte is 0x5C ("誠", D5 5C) is found and ended whole, never as
    // the part after that byte.
    HANDLE hGbk = sleepers.Start(sleepers.Copy("誠tail"));
    ASSERT_NE(hGbk, nullptr);
    EXPECT_TRUE(IsProcessRunning(sleepers.Name("誠tail")));
    EXPECT_FALSE(IsProcessRunning("tail.exe"));
    KillProcessByName("tail.exe");
    EXPECT_EQ(WaitForSingleObject(hGbk, 200), static_cast<DWORD>(WAIT_TIMEOUT));
    KillProcessByName(sleepers.Name("誠tail"));
    ASSERT_EQ(WaitForSingleObject(hGbk, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(hGbk), 0xFFFFFFFFu);
}
