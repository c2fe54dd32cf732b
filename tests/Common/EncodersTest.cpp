#include "Encoders.h"

#include <gtest/gtest.h>

#include <string>

TEST(Encoders, Base64Rfc4648Vectors) {
    EXPECT_EQ(Base64Encode(""), "");
    EXPECT_EQ(Base64Encode("f"), "Zg==");
    EXPECT_EQ(Base64Encode("fo"), "Zm8=");
    EXPECT_EQ(Base64Encode("foo"), "Zm9v");
    EXPECT_EQ(Base64Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(Base64Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Base64Encode("abc"), "YWJj");
    EXPECT_EQ(Base64Encode("ab"), "YWI=");
    EXPECT_EQ(Base64Encode("a"), "YQ==");
}

TEST(Encoders, Base64UsesEveryByteValue) {
    // High bytes must not be sign-extended; a zero byte is data, not an end.
    EXPECT_EQ(Base64Encode(std::string("\xFF\xFF\xFF", 3)), "////");
    EXPECT_EQ(Base64Encode(std::string("\xFB\xEF\xBE", 3)), "++++");
    EXPECT_EQ(Base64Encode(std::string("\0\0\0\0", 4)), "AAAAAA==");
    EXPECT_EQ(Base64Encode(std::string("\x80", 1)), "gA==");
    std::string strAll;
    for (int i = 0; i < 256; ++i) strAll += static_cast<char>(i);
    std::string strOut = Base64Encode(strAll);
    EXPECT_EQ(strOut.size(), (256u + 2) / 3 * 4);
    EXPECT_EQ(strOut.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
              std::string::npos);
    EXPECT_EQ(strOut.substr(0, 8), "AAECAwQF");
    EXPECT_EQ(strOut.substr(strOut.size() - 8), "/P3+/w==");
}

TEST(Encoders, UrlEncodeKeepsOnlyTheSafeSet) {
    EXPECT_EQ(UrlEncode("http://www.example.com/a/b.html?x=1&y=2"),
              "http://www.example.com/a/b.html%3Fx%3D1%26y%3D2");
    EXPECT_EQ(UrlEncode("AZaz09:/."), "AZaz09:/.");
    EXPECT_EQ(UrlEncode("-_%~!*'()#+,;@ "), "%2D%5F%25%7E%21%2A%27%28%29%23%2B%2C%3B%40+");
    EXPECT_EQ(UrlEncode(" \t\n\v\f\r"), "++++++");
    EXPECT_EQ(UrlEncode(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(UrlEncode("\x01\x1F\x7F"), "%01%1F%7F");
    EXPECT_EQ(UrlEncode(""), "");
}

TEST(Encoders, UrlEncodeHighBytesOneByOne) {
    EXPECT_EQ(UrlEncode("\xB2"), "%B2");
    EXPECT_EQ(UrlEncode("\xFF\x80\xAB"), "%FF%80%AB");
    // Narrow literals are GBK: "中" is D6 D0, "文" is CE C4.
    EXPECT_EQ(UrlEncode("中文"), "%D6%D0%CE%C4");
    EXPECT_EQ(UrlEncode("a中 b"), "a%D6%D0+b");
}
