// The record every stand-in writes: one line per thing it was asked to do, fields separated
// by tabs, appended to the file that ORVANE_STANDIN_RECORD names, or to "standins.log" beside
// the stand-in when that is unset. Whole lines are appended in one write, so stand-ins that
// run at the same time never mix their lines.
#pragma once

#include <windows.h>

#include <string>

inline std::string StandinModuleFolder(HMODULE hModule) {
    char szPath[MAX_PATH * 2] = {};
    DWORD n = ::GetModuleFileNameA(hModule, szPath, sizeof(szPath));
    std::string strPath(szPath, n < sizeof(szPath) ? n : 0);
    size_t nSlash = strPath.find_last_of("\\/");
    return nSlash == std::string::npos ? std::string() : strPath.substr(0, nSlash + 1);
}

inline void StandinAppendLine(const std::string& strFile, const std::string& strLine) {
    HANDLE hFile = ::CreateFileA(strFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    std::string strText = strLine + "\n";
    DWORD dwWritten = 0;
    ::WriteFile(hFile, strText.data(), static_cast<DWORD>(strText.size()), &dwWritten, nullptr);
    ::CloseHandle(hFile);
}

// The file named by ORVANE_STANDIN_RECORD, or empty when that is unset.
inline std::string StandinRecordFile() {
    char szFile[MAX_PATH * 2] = {};
    DWORD n = ::GetEnvironmentVariableA("ORVANE_STANDIN_RECORD", szFile, sizeof(szFile));
    return n > 0 && n < sizeof(szFile) ? std::string(szFile, n) : std::string();
}

inline void StandinRecord(HMODULE hModule, const std::string& strLine) {
    std::string strFile = StandinRecordFile();
    StandinAppendLine(strFile.empty() ? StandinModuleFolder(hModule) + "standins.log" : strFile, strLine);
}

// The command line after the program's own name (quoted or not), without leading blanks.
inline std::string StandinArguments() {
    const char* p = ::GetCommandLineA();
    bool bQuoted = false;
    for (; *p && (bQuoted || (*p != ' ' && *p != '\t')); ++p)
        if (*p == '"')
            bQuoted = !bQuoted;
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

inline std::string StandinCurrentFolder() {
    char szFolder[MAX_PATH * 2] = {};
    DWORD n = ::GetCurrentDirectoryA(sizeof(szFolder), szFolder);
    return std::string(szFolder, n < sizeof(szFolder) ? n : 0);
}
