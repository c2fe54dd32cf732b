#include "InstallerPaths.h"

#include "Path.h"
#include "ServerField.h"
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

}  // namespace

std::string SafeFileNameFromUrl(const std::string& strUrl, const std::string& strFallback) {
    std::string strPath = strUrl.substr(0, strUrl.find_first_of("?#"));
    size_t nSlash = strPath.rfind('/');
    std::string strName = PercentDecode(nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1));
    if (IsPlainNameComponent(strName) && HasProgramExtension(strName))
        return strName;
    LogRefusedField("installer file name", strName);
    return strFallback;
}

bool IsClientProgramPath(const std::string& strExecute) {
    // The Install folder holds downloads and their partial data, which no signature check
    // has passed; "Install" is ASCII, so its eight bytes are whole characters.
    bool bInInstallFolder = strExecute.size() > 8 && (EqualsNoCase(strExecute.substr(0, 8), "Install\\") ||
                                                      EqualsNoCase(strExecute.substr(0, 8), "Install/"));
    if (IsSafeRelativePath(strExecute) && HasProgramExtension(strExecute) && !bInInstallFolder)
        return true;
    LogRefusedField("execute", strExecute);
    return false;
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
