// The install-path page's rules as plain functions: the proposed drive and folder, the
// folder completions, the free-space test and the page's computed layout. The page itself
// only reads its controls, calls these and asks its questions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct DriveInfo {
    char chLetter;
    bool bFixed;
    uint64_t u64FreeBytes;
};

// The fixed drive with the most free bytes, in list order; ties keep the earlier letter, and
// with no fixed drive that has free space the answer is 'C'.
char ProposeDriveLetter(const std::vector<DriveInfo>& drives);
// The platform's logical drives A-Z with their type and total free bytes (0 when unknown).
// Blocks for each drive's query.
std::vector<DriveInfo> ListDrives();
char ProposeDriveLetter();
// strInstallDir when set, else the default folder on the proposed drive.
std::string ProposedInstallFolder(const std::string& strInstallDir, const std::string& strProductName);

// "D:" and "D:\" are drive roots.
bool IsDriveRoot(const std::string& strFolder);
// What the install button takes: a drive root gets the product name appended.
std::string CompleteInstallFolder(const std::string& strFolder, const std::string& strProductName);
// What a browsed folder becomes: the product name appended unless it is its last part already
// (letter case ignored). Empty stays empty.
std::string CompleteBrowsedFolder(const std::string& strFolder, const std::string& strProductName);
// The folder browser's title for the uninstall entry name "<full name>-<version>".
std::string BrowseTitle(const std::string& strUninstallKeyName);

constexpr uint64_t kMinFreeBytes = 209715200;  // 200 MiB
bool HasEnoughFreeSpace(uint64_t u64FreeBytes);
// Total free bytes of the volume that holds strFolder; 0 when it cannot be examined.
uint64_t GetFolderFreeBytes(const std::string& strFolder);

// Message box answers (the close button gives 8, also when the box cannot be shown).
constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerClose = 8;

// The free-space question: OK asks again, cancel browses, anything else stays on the page.
extern const char kFreeSpaceText[];
extern const char kFreeSpaceRetry[];
extern const char kFreeSpaceOther[];
enum class FreeSpaceStep { kCheckAgain, kBrowse, kStay };
FreeSpaceStep FreeSpaceAnswerStep(int nAnswer);

// The running-client question: OK asks again, cancel ends the client's processes and stays.
extern const char kCloseClientCaption[];
std::string RunningClientText(const std::string& strCompanyName);
enum class RunningClientStep { kCheckAgain, kCloseClient, kStay };
RunningClientStep RunningClientAnswerStep(int nAnswer);

// The pin-to-taskbar option exists from major version 6 on, except on 6.0.
bool IsPinOptionShown(DWORD dwMajor, DWORD dwMinor);
bool IsPinOptionShown();

// Rows of the four options and the folder line, in page pixels.
struct InstallPathLayout {
    RECT rcBootBox;
    RECT rcPinBox;  // empty when the option is hidden
    RECT rcStartBox;
    RECT rcReminderBox;
    RECT rcFolder;
    RECT rcBrowse;
};
InstallPathLayout ComputeInstallPathLayout(bool bPinShown);
// A label beside its box: 5 pixels right of it, nTextWidth wide, the box's top and bottom.
RECT LabelBesideBox(const RECT& rcBox, int nTextWidth);
