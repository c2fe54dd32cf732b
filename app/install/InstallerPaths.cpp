#include "InstallerPaths.h"

#include <cstring>

#include "Path.h"
#include "StringUtil.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(const std::string& strText) {
    std::string out;
    for (size_t i = 0; i < strText.size(); ++i) {
        bool bEscape = strText[i] == '%' && i + 2 < strText.size();
        int hi = bEscape ? HexValue(strText[i + 1]) : -1;
        int lo = bEscape ? HexValue(strText[i + 2]) : -1;
        if (hi >= 0 && lo >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += strText[i];
        }
    }
    return out;
}

bool IsDeviceName(const std::string& strName) {
    std::string strStem = strName.substr(0, strName.find('.'));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* psz : kDevices)
        if (EqualsNoCase(strStem, psz))
            return true;
    if (strStem.size() == 4 && strStem[3] >= '1' && strStem[3] <= '9')
        return EqualsNoCase(strStem.substr(0, 3), "COM") || EqualsNoCase(strStem.substr(0, 3), "LPT");
    return false;
}

// Walks the name character by character in the system code page, so that the trail byte of
// a double-byte character is never taken for a reserved one.
bool HasOnlyNameCharacters(const std::string& strName) {
    for (size_t i = 0; i < strName.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(strName[i]);
        if (::IsDBCSLeadByte(c)) {
            if (i + 1 >= strName.size() || strName[i + 1] == '\0')
                return false;
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c))
            return false;
    }
    return true;
}

}  // namespace

std::string SafeFileNameFromUrl(const std::string& strUrl, const std::string& strFallback) {
    std::string strPath = strUrl.substr(0, strUrl.find_first_of("?#"));
    size_t nSlash = strPath.rfind('/');
    std::string strName = PercentDecode(nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1));
    // The platform drops trailing dots and blanks; a name made only of them names the folder.
    while (!strName.empty() && (strName.back() == '.' || strName.back() == ' ')) strName.pop_back();
    constexpr size_t kMaxName = 200;
    if (strName.empty() || strName.size() > kMaxName || !HasOnlyNameCharacters(strName) ||
        IsDeviceName(strName))
        return strFallback;
    return strName;
}

std::string InstallerFolderFor(const std::string& strInstallDir) {
    return AddBackslash(strInstallDir) + "Install";
}

std::string InstallerPathFor(const std::string& strInstallDir, const std::string& strUrl,
                             const std::string& strFallback) {
    return InstallerFolderFor(strInstallDir) + "\\" + SafeFileNameFromUrl(strUrl, strFallback);
}

std::string DefaultInstallFolder(char chDrive, const std::string& strProductName) {
    return AddBackslash(StrFormat("%c:\\Program Files\\", chDrive)) + strProductName;
}
