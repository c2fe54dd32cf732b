#include "HttpParsing.h"

#include <gtest/gtest.h>

TEST(HttpParsing, AddressesSplitIntoHostPortAndObjectOrAreRefused) {
    HttpUrlParts parts;
    ASSERT_TRUE(SplitHttpUrl("http://example.com/a/b.exe?x=1&y=2", parts));
    EXPECT_EQ(parts.strHost, "example.com");
    EXPECT_EQ(parts.nPort, 80);
    EXPECT_EQ(parts.strObject, "/a/b.exe?x=1&y=2");
    ASSERT_TRUE(SplitHttpUrl("HTTP://127.0.0.1:8081", parts));
    EXPECT_EQ(parts.strHost, "127.0.0.1");
    EXPECT_EQ(parts.nPort, 8081);
    EXPECT_EQ(parts.strObject, "/");
    // No buffer limits a part: a long query comes through whole.
    const std::string strLong = "http://h/p?" + std::string(5000, 'q');
    ASSERT_TRUE(SplitHttpUrl(strLong.c_str(), parts));
    EXPECT_EQ(parts.strObject.size(), 5003u);
    for (const char* pszBad : {"https://example.com/a", "ftp://example.com/a", "example.com/a", "http://", "",
                               "http://h/a\r\nX-Injected: 1", "http://h/a\x7F", "http://h/\tb"}) {
        EXPECT_FALSE(SplitHttpUrl(pszBad, parts)) << pszBad;
    }
    EXPECT_FALSE(SplitHttpUrl(nullptr, parts));
}

TEST(HttpParsing, LengthsAndContentRangesAreReadStrictly) {
    EXPECT_EQ(ParseHttpLength("0"), 0);
    EXPECT_EQ(ParseHttpLength(" 5368709120\t"), int64_t(5) << 30);
    EXPECT_EQ(ParseHttpLength("9223372036854775807"), INT64_MAX);
    for (const char* pszBad : {"", " ", "-1", "+1", "12a", "1 2", "0x10", "9223372036854775808"})
        EXPECT_EQ(ParseHttpLength(pszBad), -1) << pszBad;

    int64_t i64First = -1, i64Last = -1;
    ASSERT_TRUE(ParseContentRange("bytes 16384-32767/100000", i64First, i64Last));
    EXPECT_EQ(i64First, 16384);
    EXPECT_EQ(i64Last, 32767);
    ASSERT_TRUE(ParseContentRange("bytes 0-0/*", i64First, i64Last));
    EXPECT_EQ(i64Last, 0);
    for (const char* pszBad : {"bytes 10-5/100", "bytes -5/100", "bytes 5-/100", "bytes 1-2", "items 1-2/3",
                               "bytes 1/2-3", "bytes=1-2/3"}) {
        EXPECT_FALSE(ParseContentRange(pszBad, i64First, i64Last)) << pszBad;
    }

    EXPECT_EQ(FormatHttpDate(FILETIME{0, 0}), "");
    // 2021-01-01 00:00:00 UTC.
    EXPECT_EQ(FormatHttpDate(FILETIME{0x0C358000, 0x01D6DFD1}), "Fri, 01 Jan 2021 00:00:00 GMT");
}
