#include "InstallRunRules.h"

#include <gtest/gtest.h>

TEST(InstallRunRules, ProgressDownloadFailuresAndRecommendBits) {
    const int kPercents[][2] = {{0, 0},   {10, 19},  {20, 38},  {21, 38},
                                {60, 66}, {100, 95}, {150, 95}, {-5, 0}};
    for (const auto& pair : kPercents) EXPECT_EQ(MapDownloadProgress(pair[0]), pair[1]) << pair[0];
    const DWORD kElapsed[][2] = {{0, 95}, {999, 95}, {1000, 96}, {3999, 98}, {4000, 99}, {600000, 99}};
    for (const auto& pair : kElapsed)
        EXPECT_EQ(InstallPhaseProgress(pair[0]), static_cast<int>(pair[1])) << pair[0];

    // One retry on the second address, for timed-out and failed downloads only.
    EXPECT_TRUE(DecideDownloadFailure(1, 1).bRetry);
    EXPECT_TRUE(DecideDownloadFailure(1, 2).bRetry);
    DownloadFailureDecision disk = DecideDownloadFailure(1, 3);
    EXPECT_FALSE(disk.bRetry);
    EXPECT_STREQ(disk.pszMessage, "请检查磁盘空间！");
    EXPECT_STREQ(DecideDownloadFailure(2, 1).pszMessage, "连接失败，请稍后重试！");
    EXPECT_STREQ(DecideDownloadFailure(2, 2).pszMessage, "连接失败，请稍后！");
    DownloadFailureDecision stopped = DecideDownloadFailure(1, 5);
    EXPECT_FALSE(stopped.bRetry);
    EXPECT_EQ(stopped.pszMessage, nullptr);

    const int kChoices[3] = {1, 0, 1};
    EXPECT_EQ(RecommendBits(kChoices), 5);
}
