#include "InstallPathRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

TEST(InstallPathRules, DriveProposalFolderRulesAndFreeSpace) {
    const uint64_t kGB = 1000000000ull;
    EXPECT_EQ(ProposeDriveLetter({{'C', true, 10 * kGB}, {'D', true, 50 * kGB}, {'E', true, 50 * kGB}}), 'D');
    EXPECT_EQ(ProposeDriveLetter({{'D', false, 90 * kGB}, {'E', true, 0}}), 'C');
    EXPECT_EQ(ProposeDriveLetter({}), 'C');
    EXPECT_EQ(ProposedInstallFolder("E:\\Old\\Kavvik", "Kavvik"), "E:\\Old\\Kavvik");
    std::string strProposed = ProposedInstallFolder("", "Kavvik");
    EXPECT_EQ(strProposed.substr(1), ":\\Program Files\\Kavvik");

    EXPECT_EQ(CompleteInstallFolder("D:", "Kavvik"), "D:\\Kavvik");
    EXPECT_EQ(CompleteInstallFolder("D:\\", "Kavvik"), "D:\\Kavvik");
    EXPECT_EQ(CompleteInstallFolder("D:\\Apps", "Kavvik"), "D:\\Apps");
    EXPECT_EQ(CompleteBrowsedFolder("E:\\Games", "Kavvik"), "E:\\Games\\Kavvik");
    EXPECT_EQ(CompleteBrowsedFolder("E:\\Games\\KAVVIK", "Kavvik"), "E:\\Games\\KAVVIK");
    EXPECT_EQ(CompleteBrowsedFolder("E:\\", "Kavvik"), "E:\\Kavvik");
    EXPECT_EQ(CompleteBrowsedFolder("", "Kavvik"), "");
    EXPECT_EQ(BrowseTitle("Kavvik-3.2.1"), "选择要安装 Kavvik-3.2.1 的文件夹位置：");

    EXPECT_TRUE(HasEnoughFreeSpace(209715200));
    EXPECT_FALSE(HasEnoughFreeSpace(209715199));
    EXPECT_GT(GetFolderFreeBytes(TestBinFolder()), 0u);
    EXPECT_EQ(GetFolderFreeBytes("Q:\\no such volume\\"), 0u);
    // A box that could not be shown answers 8: no question loops on it.
    EXPECT_EQ(FreeSpaceAnswerStep(kAnswerOk), FreeSpaceStep::kCheckAgain);
    EXPECT_EQ(FreeSpaceAnswerStep(kAnswerCancel), FreeSpaceStep::kBrowse);
    EXPECT_EQ(FreeSpaceAnswerStep(kAnswerClose), FreeSpaceStep::kStay);
    EXPECT_EQ(RunningClientAnswerStep(kAnswerCancel), RunningClientStep::kCloseClient);
    EXPECT_EQ(RunningClientAnswerStep(kAnswerClose), RunningClientStep::kStay);

    EXPECT_FALSE(IsPinOptionShown(6, 0));
    EXPECT_TRUE(IsPinOptionShown(6, 1));
    EXPECT_FALSE(IsPinOptionShown(5, 1));
    EXPECT_TRUE(IsPinOptionShown(10, 0));
    InstallPathLayout shown = ComputeInstallPathLayout(true);
    EXPECT_EQ((std::vector<LONG>{shown.rcBootBox.top, shown.rcPinBox.top, shown.rcStartBox.top,
                                 shown.rcReminderBox.top, shown.rcFolder.top, shown.rcFolder.bottom}),
              (std::vector<LONG>{90, 124, 158, 192, 228, 251}));
    InstallPathLayout hidden = ComputeInstallPathLayout(false);
    EXPECT_EQ((std::vector<LONG>{hidden.rcBootBox.top, hidden.rcPinBox.bottom, hidden.rcStartBox.top,
                                 hidden.rcReminderBox.top, hidden.rcBrowse.left, hidden.rcBrowse.top}),
              (std::vector<LONG>{100, 0, 134, 168, 386, 204}));
    // Without the pin row the folder line follows the last row.
    EXPECT_EQ((std::vector<LONG>{hidden.rcFolder.left, hidden.rcFolder.top, hidden.rcFolder.right,
                                 hidden.rcFolder.bottom, hidden.rcBootBox.left, hidden.rcBootBox.right}),
              (std::vector<LONG>{187, 204, 381, 227, 187, 203}));
    RECT rcLabel = LabelBesideBox(shown.rcBootBox, 48);
    EXPECT_EQ((std::vector<LONG>{rcLabel.left, rcLabel.top, rcLabel.right, rcLabel.bottom}),
              (std::vector<LONG>{208, 90, 256, 106}));
}
