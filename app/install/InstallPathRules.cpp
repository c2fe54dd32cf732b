#include "InstallPathRules.h"

#include "InstallerPaths.h"
#include "Path.h"
#include "StringUtil.h"

char ProposeDriveLetter(const std::vector<DriveInfo>& drives) {
    char chBest = 'C';
    uint64_t u64Best = 0;
    for (const DriveInfo& drive : drives) {
        if (drive.bFixed && drive.u64FreeBytes > u64Best) {
            chBest = drive.chLetter;
            u64Best = drive.u64FreeBytes;
        }
    }
    return chBest;
}

std::vector<DriveInfo> ListDrives() {
    std::vector<DriveInfo> drives;
    DWORD dwMask = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(dwMask & (1u << i)))
            continue;
        char szRoot[] = {static_cast<char>('A' + i), ':', '\\', '\0'};
        DriveInfo drive = {szRoot[0], ::GetDriveTypeA(szRoot) == DRIVE_FIXED, 0};
        if (drive.bFixed)
            drive.u64FreeBytes = GetFolderFreeBytes(szRoot);
        drives.push_back(drive);
    }
    return drives;
}

char ProposeDriveLetter() {
    return ProposeDriveLetter(ListDrives());
}

std::string ProposedInstallFolder(const std::string& strInstallDir, const std::string& strProductName) {
    if (!strInstallDir.empty())
        return strInstallDir;
    return DefaultInstallFolder(ProposeDriveLetter(), strProductName);
}

bool IsDriveRoot(const std::string& strFolder) {
    std::string strPath = AddBackslash(strFolder);
    return strPath.size() == 3 && strPath.compare(1, 2, ":\\") == 0;
}

std::string CompleteInstallFolder(const std::string& strFolder, const std::string& strProductName) {
    if (IsDriveRoot(strFolder))
        return AddBackslash(strFolder) + strProductName;
    return strFolder;
}

std::string CompleteBrowsedFolder(const std::string& strFolder, const std::string& strProductName) {
    if (strFolder.empty())
        return strFolder;
    size_t nSlash = FindLastBackslash(strFolder);
    std::string strLast = nSlash == std::string::npos ? std::string() : strFolder.substr(nSlash + 1);
    if (EqualsNoCase(strLast, strProductName))
        return strFolder;
    return AddBackslash(strFolder) + strProductName;
}

std::string BrowseTitle(const std::string& strUninstallKeyName) {
    return StrFormat("选择要安装 %s 的文件夹位置：", strUninstallKeyName.c_str());
}

bool HasEnoughFreeSpace(uint64_t u64FreeBytes) {
    return u64FreeBytes >= kMinFreeBytes;
}

uint64_t GetFolderFreeBytes(const std::string& strFolder) {
    ULARGE_INTEGER available, total, free;
    if (!::GetDiskFreeSpaceExA(AddBackslash(strFolder).c_str(), &available, &total, &free))
        return 0;
    return free.QuadPart;
}

const char kFreeSpaceText[] = "您选择的硬盘存储空间不足，请删除其他文\n件，或重新选择路径后进行安装。";
const char kFreeSpaceRetry[] = "重 试";
const char kFreeSpaceOther[] = "选其他路径";
const char kCloseClientCaption[] = "关闭客户端";

FreeSpaceStep FreeSpaceAnswerStep(int nAnswer) {
    if (nAnswer == kAnswerOk)
        return FreeSpaceStep::kCheckAgain;
    return nAnswer == kAnswerCancel ? FreeSpaceStep::kBrowse : FreeSpaceStep::kStay;
}

std::string RunningClientText(const std::string& strCompanyName) {
    return StrFormat("安装时，请先退出正在使用的%s客户端。", strCompanyName.c_str());
}

RunningClientStep RunningClientAnswerStep(int nAnswer) {
    if (nAnswer == kAnswerOk)
        return RunningClientStep::kCheckAgain;
    return nAnswer == kAnswerCancel ? RunningClientStep::kCloseClient : RunningClientStep::kStay;
}

bool IsPinOptionShown(DWORD dwMajor, DWORD dwMinor) {
    // Windows 7 (6.1) and later; the manifest makes Windows 10 and 11 say 10.0.
    return dwMajor > 6 || (dwMajor == 6 && dwMinor != 0);
}

bool IsPinOptionShown() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!::GetVersionExA(&info))
        return false;
#pragma GCC diagnostic pop
    return IsPinOptionShown(info.dwMajorVersion, info.dwMinorVersion);
}

InstallPathLayout ComputeInstallPathLayout(bool bPinShown) {
    constexpr int kLeft = 187, kRight = 203, kRowHeight = 16, kRowGap = 18;
    InstallPathLayout layout = {};
    int nTop = bPinShown ? 90 : 100;
    auto nextRow = [&](RECT& rc) {
        rc = {kLeft, nTop, kRight, nTop + kRowHeight};
        nTop = rc.bottom + kRowGap;
    };
    nextRow(layout.rcBootBox);
    if (bPinShown)
        nextRow(layout.rcPinBox);
    nextRow(layout.rcStartBox);
    nextRow(layout.rcReminderBox);
    int nLastBottom = layout.rcReminderBox.bottom;
    layout.rcFolder = {187, nLastBottom + 20, 381, nLastBottom + 43};
    layout.rcBrowse = {386, nLastBottom + 20, 436, nLastBottom + 43};
    return layout;
}

RECT LabelBesideBox(const RECT& rcBox, int nTextWidth) {
    return {rcBox.right + 5, rcBox.top, rcBox.right + 5 + nTextWidth, rcBox.bottom};
}
