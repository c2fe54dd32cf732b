#include "ServerField.h"

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

TEST(ServerField, NamesAndRelativePathsStayInsideTheirFolder) {
    for (const char* pszName : {"Kavvik", "Kavvik.exe", "my setup.exe", ".exe", "a..b", "console.exe",
                                "COM10", "LPT10.txt", "\xCF\xC2\xD4\xD8.exe",
                                // A double-byte character whose trail byte is 0x5C or 0x7C.
                                "\xD7\x5C.exe", "\x95\x7C"})
        EXPECT_TRUE(IsPlainNameComponent(pszName)) << pszName;
    const std::string strLongest(kMaxNameComponent, 'a');
    EXPECT_TRUE(IsPlainNameComponent(strLongest));
    for (const std::string& strName :
         {std::string(), std::string("."), std::string(".."), std::string("..."), std::string("a."),
          std::string("a "), std::string(" "), std::string("a\\b"), std::string("a/b"), std::string("C:"),
          std::string("c:evil.exe"), std::string("a.exe:stream"), std::string("a.exe::$DATA"),
          std::string("a<b"), std::string("a>b"), std::string("a\"b"), std::string("a|b"), std::string("a?b"),
          std::string("a*b"), std::string("a\tb"), std::string("a\x7F"), std::string("a\0b", 3),
          std::string("CON"), std::string("con.exe"), std::string("Nul .txt"), std::string("aux"),
          std::string("PRN.x.y"), std::string("COM1"), std::string("lpt9.exe"), std::string("COM0.txt"),
          std::string("CONIN$"), std::string("conout$.log"), std::string("CLOCK$"), strLongest + "a",
          // A lead byte at the end, or before a zero, is a broken character.
          std::string("a\xD7"), std::string("\xD7\0b", 3)})
        EXPECT_FALSE(IsPlainNameComponent(strName)) << strName;

    for (const char* pszPath : {"Kavvik.exe", "bin\\Kavvik.exe", "bin/x64/Kavvik.exe", "\xD7\x5C\\k.exe"})
        EXPECT_TRUE(IsSafeRelativePath(pszPath)) << pszPath;
    for (const std::string& strPath :
         {std::string(), std::string("..\\..\\any\\program.exe"), std::string("bin\\..\\..\\x.exe"),
          std::string("bin/../x.exe"), std::string("\\Windows\\x.exe"), std::string("/x.exe"),
          std::string("C:\\x.exe"), std::string("C:x.exe"), std::string("\\\\server\\share\\x.exe"),
          std::string("\\\\?\\C:\\x.exe"), std::string("bin\\\\x.exe"), std::string("bin\\"),
          std::string("bin.\\x.exe"), std::string("bin \\x.exe"), std::string("nul\\x.exe"),
          std::string("x.exe:evil"),
          std::string(kMaxRelativePath / 2, 'a') + "\\" + std::string(kMaxRelativePath / 2, 'b')})
        EXPECT_FALSE(IsSafeRelativePath(strPath)) << strPath;

    EXPECT_TRUE(HasProgramExtension("setup.EXE"));
    for (const char* pszName : {"setup.hta", "setup.exe.kvd", "setup.exe ", "exe", "setupexe"})
        EXPECT_FALSE(HasProgramExtension(pszName)) << pszName;
}

TEST(ServerField, OnlyPlainWebAddressesAndEveryRefusalLogged) {
    for (const char* pszUrl :
         {"http://www.brelo55.com/", "HTTPS://h", "http://127.0.0.1:8080/web/home/?a=b#c", "http://h:65535",
          "http://my_host-1.example.com/path/with@at", "http://[::1]:80/", "http://h/\xCF\xC2\xD4\xD8"})
        EXPECT_TRUE(IsWebAddress(pszUrl)) << pszUrl;
    const std::string strLong = "http://h/" + std::string(kMaxWebAddress - 9, 'a');
    EXPECT_TRUE(IsWebAddress(strLong));
    for (const std::string& strUrl : {std::string(),
                                      std::string("file:///C:/Users/x/payload.exe"),
                                      std::string("FILE://h/x"),
                                      std::string("javascript:alert(1)"),
                                      std::string("mshta http://h/x.hta"),
                                      std::string("ftp://h/"),
                                      std::string("http:/h/"),
                                      std::string("http://"),
                                      std::string("http:///x"),
                                      std::string("http://:80/"),
                                      std::string("http://user:pw@h/"),
                                      std::string("http://user@h/"),
                                      std::string("http://h\\@evil/"),
                                      std::string("http://h:0/"),
                                      std::string("http://h:65536/"),
                                      std::string("http://h:8o/"),
                                      std::string("http://h:/"),
                                      std::string("http://-h/"),
                                      std::string("http://h%2e/"),
                                      std::string("http://[]/"),
                                      std::string("http://[::1/"),
                                      std::string("http://h/a b"),
                                      std::string("http://h/\r\nx"),
                                      std::string("http://h/\x7F"),
                                      std::string("http://h/\0x", 10),
                                      std::string(" http://h/"),
                                      strLong + "a"})
        EXPECT_FALSE(IsWebAddress(strUrl)) << strUrl;

    CLogCapture log;
    EXPECT_TRUE(AcceptPlainName("productName", "Kavvik"));
    EXPECT_TRUE(AcceptWebAddress("homePage url", "http://h/"));
    EXPECT_EQ("", log.Text());
    EXPECT_FALSE(AcceptPlainName("productName", "..\\hx"));
    // Control bytes cannot start a line of their own, and a flood is cut.
    EXPECT_FALSE(AcceptWebAddress("homePage url", "http://h/\r\nServerField(x) \x01\xD7"));
    EXPECT_FALSE(AcceptWebAddress("licenseUrl", "file:///" + std::string(1000, 'z')));
    std::string strText = log.Text();
    EXPECT_TRUE(log.Contains("ServerField(productName) 拒绝 [..\\hx]\r\n")) << strText;
    EXPECT_TRUE(
        log.Contains("ServerField(homePage url) 拒绝 [http://h/\\x0D\\x0AServerField(x) \\x01\\xD7]\r\n"))
        << strText;
    EXPECT_TRUE(log.Contains("ServerField(licenseUrl) 拒绝 [file:///" + std::string(292, 'z') + "...]\r\n"))
        << strText;
    EXPECT_EQ(3u, CountOccurrences(strText, "\r\n"));
}
