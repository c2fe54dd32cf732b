#include "StringUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

TEST(StringUtil, StrFormatAnyLength) {
    EXPECT_EQ(StrFormat("%s-%d", "a", 5), "a-5");
    EXPECT_EQ(StrFormat("%s", ""), "");
    // Around the first buffer's size and far beyond it.
    for (size_t n : {510u, 511u, 512u, 513u, 600u, 70000u, 200000u}) {
        std::string strIn(n, 'q');
        strIn[n / 2] = 'Z';
        std::string strOut = StrFormat("<%s>", strIn.c_str());
        ASSERT_EQ(strOut.size(), n + 2) << n;
        EXPECT_EQ(strOut, "<" + strIn + ">") << n;
    }
    EXPECT_EQ(StrFormat("%70000d", 7).size(), 70000u);
    EXPECT_EQ(StrFormat("%70000d", 7).substr(69998), " 7");
}

TEST(StringUtil, StrFormatSixtyFourBitValues) {
    EXPECT_EQ(StrFormat("%I64d", static_cast<long long>(LLONG_MIN)), "-9223372036854775808");
    EXPECT_EQ(StrFormat("%I64d|%d", 5000000000LL, 7), "5000000000|7");
    EXPECT_EQ(StrFormat("%I64u", static_cast<unsigned long long>(ULLONG_MAX)), "18446744073709551615");
    EXPECT_EQ(StrFormat("%s %I64d %s", "a", -1LL, "b"), "a -1 b");
}

TEST(StringUtil, CaseIgnoredForAsciiLettersOnly) {
    EXPECT_TRUE(StartsWithNoCase("Kavvik-1.0", "kAVVIK-"));
    EXPECT_TRUE(StartsWithNoCase("abc", ""));
    EXPECT_FALSE(StartsWithNoCase("Kav", "Kavvik"));
    EXPECT_FALSE(StartsWithNoCase("Kavvik_1", "Kavvik-"));
    EXPECT_TRUE(EqualsNoCase("SETUP.EXE", "setup.exe"));
    EXPECT_FALSE(EqualsNoCase("setup.exe", "setup.ex"));
    EXPECT_FALSE(EqualsNoCase("[", "{"));
    EXPECT_TRUE(StartsWithNoCase("视频社区-2.0", "视频社区-"));
    EXPECT_TRUE(EqualsNoCase("中A", "中a"));
    // GBK 81 41 and 81 61 are two different characters whose trail bytes look like A and a.
    EXPECT_FALSE(EqualsNoCase("\x81\x41", "\x81\x61"));
    EXPECT_FALSE(StartsWithNoCase("x\x81\x41y", "X\x81\x61"));
    EXPECT_TRUE(StartsWithNoCase("x\x81\x41y", "X\x81\x41Y"));
}
