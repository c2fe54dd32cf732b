#include "Registry.h"

#include <cstring>
#include <vector>

#include "Handles.h"
#include "Path.h"
#include "StringUtil.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char kBrowserMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";

// Nearly every value fits the first buffer; larger ones are read whole up to the limit,
// because a path cut at 260 bytes would name some other file or folder.
constexpr DWORD kValueBuffer = 260;
constexpr DWORD kValueLimit = 64 * 1024;
// A key name has at most 255 characters, each at most two bytes in a double-byte code page.
constexpr DWORD kKeyNameBuffer = 512;

// The raw bytes of a value; false when it is missing or larger than the limit. The value may
// grow between the size answer and the read, so the read is tried a few times.
bool QueryValueBytes(HKEY hKey, const std::string& strValue, std::vector<char>& buffer) {
    buffer.assign(kValueBuffer, '\0');
    for (int nTry = 0; nTry < 3; ++nTry) {
        DWORD cbData = static_cast<DWORD>(buffer.size());
        LONG nResult = ::RegQueryValueExA(hKey, strValue.c_str(), nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(buffer.data()), &cbData);
        if (nResult == ERROR_SUCCESS) {
            if (cbData < buffer.size())
                buffer.resize(cbData);
            return true;
        }
        if (nResult != ERROR_MORE_DATA || cbData > kValueLimit)
            return false;
        buffer.assign(cbData + 1, '\0');
    }
    return false;
}

// True when a search for exactly this name finds an entry; wildcards never match.
bool NamedFileExists(const std::string& strPath) {
    if (strPath.empty() || strPath.find_first_of("*?") != std::string::npos)
        return false;
    WIN32_FIND_DATAA fd;
    CFindHandle hFind(::FindFirstFileA(strPath.c_str(), &fd));
    return hFind.IsValid();
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

bool ReadRegistryString(HKEY hRoot, const std::string& strKey, const std::string& strValue,
                        std::string& strOut) {
    CRegKey hKey;
    if (::RegOpenKeyExA(hRoot, strKey.c_str(), 0, KEY_QUERY_VALUE, hKey.Receive()) != ERROR_SUCCESS) {
        hKey.Detach();
        return false;
    }
    std::vector<char> buffer;
    if (!QueryValueBytes(hKey.Get(), strValue, buffer)) {
        strOut.clear();
        return true;
    }
    strOut.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return true;
}

bool GetAppPathsFolder(const std::string& strProductName, std::string& strFolder) {
    return ReadRegistryString(HKEY_LOCAL_MACHINE, kAppPathsKey + strProductName + ".exe", "KavvikPath",
                              strFolder);
}

std::string UnquoteRegistryPath(const std::string& strValue) {
    if (strValue.empty() || strValue[0] != '"')
        return strValue;
    size_t nClose = strValue.find('"', 1);
    return strValue.substr(1, nClose == std::string::npos ? std::string::npos : nClose - 1);
}

std::string DisplayIconFile(const std::string& strValue) {
    std::string strFile = UnquoteRegistryPath(strValue);
    size_t nComma = strFile.rfind(',');
    if (nComma == std::string::npos)
        return strFile;
    size_t nPos = nComma + 1;
    while (nPos < strFile.size() && strFile[nPos] == ' ') ++nPos;
    if (nPos < strFile.size() && strFile[nPos] == '-')
        ++nPos;
    size_t nDigits = nPos;
    while (nPos < strFile.size() && IsDigit(strFile[nPos])) ++nPos;
    if (nPos == nDigits || nPos != strFile.size())
        return strFile;
    return strFile.substr(0, nComma);
}

bool GetUninstallFolder(const std::string& strEntry, std::string& strFolder) {
    std::string strKey = std::string(kUninstallKey) + "\\" + strEntry;
    std::string strUninstaller;
    if (!ReadRegistryString(HKEY_LOCAL_MACHINE, strKey, "UninstallString", strUninstaller))
        return false;
    strUninstaller = UnquoteRegistryPath(strUninstaller);
    size_t nSlash = FindLastBackslash(strUninstaller);
    strFolder = nSlash == std::string::npos ? std::string() : strUninstaller.substr(0, nSlash);
    if (strFolder.empty())
        return false;

    std::string strIcon;
    if (!ReadRegistryString(HKEY_LOCAL_MACHINE, strKey, "DisplayIcon", strIcon))
        return false;
    strIcon = DisplayIconFile(strIcon);
    return !strIcon.empty() && NamedFileExists(strIcon);
}

bool FindInstalledProduct(const std::string& strName, std::string& strFolder) {
    CRegKey hKey;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_ENUMERATE_SUB_KEYS, hKey.Receive()) !=
        ERROR_SUCCESS) {
        hKey.Detach();
        return false;
    }
    const std::string strPrefix = strName + "-";
    std::string strMatch;
    for (DWORD nIndex = 0;; ++nIndex) {
        char szName[kKeyNameBuffer];
        DWORD cchName = sizeof(szName);
        if (::RegEnumKeyExA(hKey.Get(), nIndex, szName, &cchName, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (StartsWithNoCase(std::string(szName, cchName), strPrefix)) {
            strMatch.assign(szName, cchName);
            break;
        }
    }
    hKey.Close();
    return !strMatch.empty() && GetUninstallFolder(strMatch, strFolder);
}

bool SetBrowserStartPage(const std::string& strAddress) {
    CRegKey hKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kBrowserMainKey, 0, KEY_SET_VALUE, hKey.Receive()) !=
        ERROR_SUCCESS) {
        hKey.Detach();
        return false;
    }
    return ::RegSetValueExA(hKey.Get(), "Start Page", 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(strAddress.c_str()),
                            static_cast<DWORD>(strAddress.size() + 1)) == ERROR_SUCCESS;
}
