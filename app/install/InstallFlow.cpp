#include "InstallFlow.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "Log.h"
#include "Path.h"
#include "Process.h"
#include "Registry.h"
#include "StringUtil.h"

int MapDownloadProgress(int nPercent) {
    if (nPercent < 0)
        nPercent = 0;
    if (nPercent > 100)
        nPercent = 100;
    if (nPercent <= 20)
        return nPercent * 2 * 95 / 100;
    return (nPercent - 20) * 57 / 80 + 38;
}

int InstallPhaseProgress(DWORD dwElapsedMs) {
    DWORD dwSeconds = dwElapsedMs / 1000;
    if (dwSeconds >= static_cast<DWORD>(kProgressInstallCap - kProgressInstallStart))
        return kProgressInstallCap;
    return kProgressInstallStart + static_cast<int>(dwSeconds);
}

int NextSlideIndex(int nCurrent, int nCount) {
    if (nCount <= 0)
        return nCurrent;
    int nNext = (nCurrent + 1) % nCount;
    if (nNext < 0)
        nNext = 0;
    if (nNext == 0 && nCount > 1)
        nNext = 1;
    return nNext;
}

const char* DownloadFailureMessage(int nStatus) {
    switch (nStatus) {
        case 1:
            return "连接失败，请稍后重试！";
        case 2:
            return "连接失败，请稍后！";
        case 3:
            return "请检查磁盘空间！";
        default:
            return nullptr;
    }
}

DownloadFailureDecision DecideDownloadFailure(int nFailCount, int nStatus) {
    // One retry on the second address, and only for network failures.
    if (nFailCount < 2 && (nStatus == 1 || nStatus == 2))
        return {true, nullptr};
    return {false, DownloadFailureMessage(nStatus)};
}

bool ComputeBackgroundSlice(const RECT& rc, int nClientW, int nClientH, const ImageEntry& background,
                            ImageEntry& slice) {
    if (nClientW <= 0 || nClientH <= 0 || background.cx <= 0 || background.cy <= 0)
        return false;
    // 64-bit products: a large screen rectangle times a large picture must not overflow.
    const int64_t iw = background.cx, ih = background.cy;
    int x = static_cast<int>(rc.left * iw / nClientW);
    int y = static_cast<int>(rc.top * ih / nClientH);
    slice = background;
    slice.x = background.x + x;
    slice.y = background.y + y;
    slice.cx = static_cast<int>(rc.right * iw / nClientW) - x;
    slice.cy = static_cast<int>(rc.bottom * ih / nClientH) - y;
    return true;
}

bool IsInTitleBand(int nClientY) {
    return nClientY >= 0 && nClientY < kTitleBandHeight;
}

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

std::string BuildInstallerParameters(bool bAutoStart, const std::string& strPromotionSummary,
                                     const std::string& strInstallDir) {
    return StrFormat("/S /AUTOSTART=%s /COMMENDER_ID=%s /D=%s", bAutoStart ? "TRUE" : "FALSE",
                     strPromotionSummary.c_str(), strInstallDir.c_str());
}

HANDLE LaunchInstallProgram(const std::string& strInstallerPath, const std::string& strParameters) {
    std::string strQuoted = QuoteSpaces(strInstallerPath);
    LOGF(0, "Launch InstallProgram: %s %s\n", strQuoted.c_str(), strParameters.c_str());
    HANDLE hProcess = ExecApp(strQuoted, strParameters.c_str());
    if (!hProcess)
        LOGF(0, "COrvaneDlg::LaunchInstallProgram() path=%s  Fail\n", strInstallerPath.c_str());
    return hProcess;
}

const char* ProductTableName(int nProductId) {
    static const char* const kNames[] = {"Brelo", "Dunsa", "Nalvo", "Fimra",
                                         "Gorlu", "Hesko", "Jupra", "Kavvik"};
    if (nProductId < 1 || nProductId > 8)
        return nullptr;
    return kNames[nProductId - 1];
}

std::string ProductRegistryName(int nProductId) {
    const char* pszName = ProductTableName(nProductId);
    if (!pszName)
        return std::string();
    std::string strName = pszName;
    return strName == "Kavvik" ? strName : strName + "视频社区";
}

bool CheckProductInstalled(int nProductId) {
    std::string strName = ProductRegistryName(nProductId);
    if (strName.empty())
        return false;
    std::string strFolder;
    return FindInstalledProduct(strName, strFolder);
}

bool LaunchKavvik(const std::string& strInstallDir, const std::string& strExecute) {
    std::string strPath = AddBackslash(strInstallDir) + strExecute;
    LOGF(0, "Call LaunchKavvik(%s)\n", strPath.c_str());
    // The full path as the program name and a quoted first word: the platform then never
    // tries "C:\Program.exe" for "C:\Program Files\...". No length cut.
    std::string strCommand = "\"" + strPath + "\"";
    std::vector<char> commandLine(strCommand.begin(), strCommand.end());
    commandLine.push_back('\0');
    std::string strFolder = GetParentFolder(strPath);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    BOOL bStarted = ::CreateProcessA(strPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     strFolder.empty() ? nullptr : strFolder.c_str(), &si, &pi);
    if (bStarted) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    } else {
        LOGF(0, "COrvaneDlg::LaunchKavvik() path=%s Fail\n", strPath.c_str());
    }
    LOGF(0, "Exec %s [%d]\n", strPath.c_str(), bStarted ? 1 : 0);
    return bStarted != FALSE;
}

std::string FindEarlierInstallFolder(const std::string& strUninstallKeyName,
                                     const std::string& strProductName) {
    std::string strFolder;
    GetUninstallFolder(strUninstallKeyName, strFolder);
    if (strFolder.empty())
        GetAppPathsFolder(strProductName, strFolder);
    for (char& c : strFolder)
        if (c == '/')
            c = '\\';
    return strFolder;
}

int RecommendBits(const int bRecommend[3]) {
    int nBits = 0;
    for (int i = 0; i < 3; ++i)
        if (bRecommend[i])
            nBits |= 1 << i;
    return nBits;
}
