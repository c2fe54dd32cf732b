// Stand-in for a product's installer. Understands "/S /AUTOSTART=x /COMMENDER_ID=y /D=folder"
// (the folder is everything after "/D="), waits a while, creates the folder, puts the files
// it carries there and registers the product's uninstall entry, as a real silent installer
// would. It records its arguments and the outcome (see StandinRecord.h).
//
// What it installs travels inside its own file, appended after the program image (the
// reference server's scenarios compose it): records "set KEY=VALUE\n" and
// "file NAME SIZE\n" + SIZE bytes, then "ORVSTAND" and the 64-bit little-endian offset where
// the records begin, at the file's end or, when the whole was signed, just before the
// certificate table that the PE header's security entry points at. Keys: name and version
// (the uninstall entry "<name>-<version>"), icon (the installed file DisplayIcon names), delay
// (milliseconds), fail (1: install nothing and exit 2). A file name containing "fail" fails too.
#include <cstdlib>
#include <map>
#include <vector>

#include "StandinRecord.h"

namespace {

struct Payload {
    std::map<std::string, std::string> settings;
    std::vector<std::pair<std::string, std::string>> files;
};

bool ReadOwnFile(std::string& strBytes) {
    char szPath[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, szPath, sizeof(szPath) - 1);
    HANDLE hFile = ::CreateFileA(szPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size = {};
    bool bOk = ::GetFileSizeEx(hFile, &size) && size.QuadPart < (1LL << 30);
    DWORD dwRead = 0;
    if (bOk) {
        strBytes.resize(static_cast<size_t>(size.QuadPart));
        bOk = ::ReadFile(hFile, &strBytes[0], static_cast<DWORD>(strBytes.size()), &dwRead, nullptr) &&
              dwRead == strBytes.size();
    }
    ::CloseHandle(hFile);
    return bOk;
}

// Where the signed image ends: the start of its certificate table, else the file's end.
size_t UnsignedLength(const std::string& strBytes) {
    if (strBytes.size() < sizeof(IMAGE_DOS_HEADER))
        return strBytes.size();
    const auto* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(strBytes.data());
    size_t nNt = static_cast<size_t>(pDos->e_lfanew);
    if (nNt > strBytes.size() || strBytes.size() - nNt < sizeof(IMAGE_NT_HEADERS))
        return strBytes.size();
    const auto* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(strBytes.data() + nNt);
    const IMAGE_DATA_DIRECTORY& security = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
    if (security.VirtualAddress == 0 || security.VirtualAddress > strBytes.size())
        return strBytes.size();
    return security.VirtualAddress;
}

bool HasTrailer(const std::string& strBytes, size_t nLength) {
    return nLength >= 16 && nLength <= strBytes.size() && strBytes.compare(nLength - 16, 8, "ORVSTAND") == 0;
}

bool ParsePayload(const std::string& strBytes, Payload& payload) {
    // Appended to the file as it is, or signed together with it.
    size_t nLength = strBytes.size();
    if (!HasTrailer(strBytes, nLength))
        nLength = UnsignedLength(strBytes);
    if (!HasTrailer(strBytes, nLength))
        return false;
    unsigned long long nOffset = 0;
    for (int i = 7; i >= 0; --i)
        nOffset = nOffset << 8 | static_cast<unsigned char>(strBytes[nLength - 8 + i]);
    size_t nEnd = nLength - 16, nPos = static_cast<size_t>(nOffset);
    while (nPos < nEnd) {
        size_t nLineEnd = strBytes.find('\n', nPos);
        if (nLineEnd == std::string::npos || nLineEnd >= nEnd)
            return false;
        std::string strLine = strBytes.substr(nPos, nLineEnd - nPos);
        nPos = nLineEnd + 1;
        if (strLine.compare(0, 4, "set ") == 0) {
            size_t nEq = strLine.find('=');
            if (nEq != std::string::npos)
                payload.settings[strLine.substr(4, nEq - 4)] = strLine.substr(nEq + 1);
        } else if (strLine.compare(0, 5, "file ") == 0) {
            size_t nBlank = strLine.rfind(' ');
            size_t nSize = strtoul(strLine.c_str() + nBlank + 1, nullptr, 10);
            if (nBlank <= 5 || nSize > nEnd - nPos)
                return false;
            payload.files.emplace_back(strLine.substr(5, nBlank - 5), strBytes.substr(nPos, nSize));
            nPos += nSize;
        }
    }
    return true;
}

std::string Setting(const Payload& payload, const char* pszKey, const char* pszDefault = "") {
    auto it = payload.settings.find(pszKey);
    return it == payload.settings.end() ? pszDefault : it->second;
}

// Every argument before "/D="; the folder is the whole rest of the line, blanks included.
void ParseArguments(const std::string& strArgs, std::map<std::string, std::string>& args) {
    size_t nFolder = strArgs.find("/D=");
    args["folder"] = nFolder == std::string::npos ? std::string() : strArgs.substr(nFolder + 3);
    std::string strHead = strArgs.substr(0, nFolder);
    for (const char* pszKey : {"/AUTOSTART=", "/COMMENDER_ID="}) {
        size_t nAt = strHead.find(pszKey);
        if (nAt == std::string::npos)
            continue;
        size_t nStart = nAt + strlen(pszKey);
        args[pszKey] = strHead.substr(nStart, strHead.find(' ', nStart) - nStart);
    }
    args["silent"] = strHead.compare(0, 3, "/S ") == 0 ? "1" : "0";
}

bool WriteWholeFile(const std::string& strPath, const std::string& strBytes) {
    HANDLE hFile = ::CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    bool bOk =
        ::WriteFile(hFile, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten, nullptr) &&
        dwWritten == strBytes.size();
    ::CloseHandle(hFile);
    return bOk;
}

bool CreateFolderChain(const std::string& strFolder) {
    for (size_t nAt = strFolder.find('\\', 3); nAt != std::string::npos; nAt = strFolder.find('\\', nAt + 1))
        ::CreateDirectoryA(strFolder.substr(0, nAt).c_str(), nullptr);
    ::CreateDirectoryA(strFolder.c_str(), nullptr);
    DWORD dwAttributes = ::GetFileAttributesA(strFolder.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SetString(HKEY hKey, const char* pszName, const std::string& strValue) {
    return ::RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                            static_cast<DWORD>(strValue.size() + 1)) == ERROR_SUCCESS;
}

bool Register(const Payload& payload, const std::string& strFolder) {
    std::string strKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                         Setting(payload, "name") + "-" + Setting(payload, "version");
    HKEY hKey = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, strKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey,
                          nullptr) != ERROR_SUCCESS)
        return false;
    bool bOk = SetString(hKey, "UninstallString", "\"" + strFolder + "\\uninst.exe\"") &&
               SetString(hKey, "DisplayIcon", strFolder + "\\" + Setting(payload, "icon")) &&
               SetString(hKey, "DisplayName", Setting(payload, "name")) &&
               SetString(hKey, "DisplayVersion", Setting(payload, "version")) &&
               SetString(hKey, "InstallLocation", strFolder);
    ::RegCloseKey(hKey);
    return bOk;
}

int Install(const Payload& payload, std::string strFolder) {
    while (strFolder.size() > 3 && (strFolder.back() == '\\' || strFolder.back() == ' '))
        strFolder.pop_back();
    if (strFolder.empty() || !CreateFolderChain(strFolder))
        return 3;
    for (const auto& file : payload.files) {
        if (file.first.find_first_of("\\/:") != std::string::npos ||
            !WriteWholeFile(strFolder + "\\" + file.first, file.second))
            return 4;
    }
    if (!WriteWholeFile(strFolder + "\\uninst.exe", "uninstaller stand-in\n") ||
        !Register(payload, strFolder))
        return 5;
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    std::string strArgs = StandinArguments();
    StandinRecord(nullptr, "setup\targs=" + strArgs);
    std::map<std::string, std::string> args;
    ParseArguments(strArgs, args);
    StandinRecord(nullptr, "setup\tsilent=" + args["silent"] + "\tautostart=" + args["/AUTOSTART="] +
                               "\tcommender=" + args["/COMMENDER_ID="] + "\tfolder=" + args["folder"]);
    std::string strBytes;
    Payload payload;
    bool bPayload = ReadOwnFile(strBytes) && ParsePayload(strBytes, payload);
    ::Sleep(static_cast<DWORD>(strtoul(Setting(payload, "delay", "0").c_str(), nullptr, 10)));
    char szPath[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(nullptr, szPath, sizeof(szPath) - 1);
    std::string strOwnName = szPath;
    strOwnName = strOwnName.substr(strOwnName.find_last_of("\\/") + 1);
    if (Setting(payload, "fail") == "1" || strOwnName.find("fail") != std::string::npos) {
        StandinRecord(nullptr, "setup\tresult=failed on purpose");
        return 2;
    }
    int nResult = bPayload ? Install(payload, args["folder"]) : 6;
    StandinRecord(nullptr, "setup\tresult=" + std::to_string(nResult) + "\tfolder=" + args["folder"]);
    return nResult;
}
