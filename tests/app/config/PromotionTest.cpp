#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "Encoders.h"
#include "ProductInfo.h"
#include "Promotion.h"
#include "ServerAddresses.h"

namespace {

PromotionInfo Parse(const std::string& strValue) {
    PromotionInfo promotion;
    promotion.recType = 99;
    promotion.recId = 99;
    promotion.recAd = 99;
    ParseRecIdCookie(strValue, promotion);
    return promotion;
}

}  // namespace

TEST(PromotionTest, RecIdCookieKeepsWhatParsesAndTheLowByteOfTheType) {
    PromotionInfo p = Parse("2:1234567890123:7");
    EXPECT_EQ(2, p.recType);
    EXPECT_EQ(1234567890123LL, p.recId);
    EXPECT_EQ(7, p.recAd);
    p = Parse("300:5:1");
    EXPECT_EQ(44, p.recType);
    EXPECT_EQ(5, p.recId);
    EXPECT_EQ(1, p.recAd);
    p = Parse("3");
    EXPECT_EQ(3, p.recType);
    EXPECT_EQ(0, p.recId);
    EXPECT_EQ(0, p.recAd);
    p = Parse("4:x:9");
    EXPECT_EQ(4, p.recType);
    EXPECT_EQ(0, p.recId);
    EXPECT_EQ(0, p.recAd);
    p = Parse("-1: 8 :-6");
    EXPECT_EQ(255, p.recType);
    EXPECT_EQ(8, p.recId);
    EXPECT_EQ(0, p.recAd);  // a blank before the colon ends the pattern
    p = Parse("");
    EXPECT_EQ(0, p.recType);
    EXPECT_EQ(0, p.recId);
    p = Parse("abc:1:2");
    EXPECT_EQ(0, p.recType);
    EXPECT_EQ(0, p.recId);
    EXPECT_EQ(0, p.recAd);
}

TEST(PromotionTest, RecordIdFromFileNameNeedsExactlyFourOrElevenDigits) {
    EXPECT_EQ(12345678901LL, GetRecIdFromFileName("C:\\dl\\setup_12345678901.exe"));
    EXPECT_EQ(1234, GetRecIdFromFileName("C:\\dl\\setup_1234.exe"));
    EXPECT_EQ(1234, GetRecIdFromFileName("C:\\a_99999\\x_y_1234(1).exe"));
    EXPECT_EQ(0, GetRecIdFromFileName("C:\\dl\\setup_123456.exe"));
    EXPECT_EQ(0, GetRecIdFromFileName("C:\\dl\\setup_123456789012.exe"));
    EXPECT_EQ(0, GetRecIdFromFileName("C:\\dl\\setup.exe"));
    EXPECT_EQ(0, GetRecIdFromFileName("C:\\dl\\setup_a1234.exe"));
    EXPECT_EQ(0, GetRecIdFromFileName("C:\\dl_1234\\setup.exe"));
    EXPECT_EQ(0, GetRecIdFromFileName("setup_1234.exe"));  // no backslash
    // The test program's own name carries no record id.
    EXPECT_EQ(0, GetRecIdFromFileName());
}

TEST(PromotionTest, CookieValuesComeFromTheStoreForTheSite) {
    EXPECT_EQ("1:2:3", ExtractCookieValue("rec_id=1:2:3", "rec_id"));
    EXPECT_EQ("v", ExtractCookieValue("a=1; rec_idx=9; rec_id=v; b=2", "rec_id"));
    EXPECT_EQ("x=y", ExtractCookieValue("ZERORUZEZA=x=y", "ZERORUZEZA"));
    EXPECT_EQ("", ExtractCookieValue("rec=1", "rec_id"));
    EXPECT_EQ("", ExtractCookieValue("", "rec_id"));

    const std::string strSite = "http://127.0.0.1:1/";
    ASSERT_TRUE(::InternetSetCookieA(strSite.c_str(), "rec_id", "300:5:1"));
    ASSERT_TRUE(::InternetSetCookieA(strSite.c_str(), "ZERORUZEZA", "http://from.example/p?q=1"));
    ASSERT_TRUE(::InternetSetCookieA("http://127.0.0.2/", "ZIDARIRORORAZU", "other-site"));
    EXPECT_EQ("300:5:1", GetCookie(strSite, "rec_id"));
    EXPECT_EQ("http://from.example/p?q=1", GetCookie(strSite, "ZERORUZEZA"));
    EXPECT_EQ("", GetCookie(strSite, "ZIDARIRORORAZU"));
    // A value that does not fit the 1024-byte buffer reads as empty.
    ASSERT_TRUE(::InternetSetCookieA("http://127.0.0.3/", "rec_id", std::string(1100, '7').c_str()));
    EXPECT_EQ("", GetCookie("http://127.0.0.3/", "rec_id"));
}

TEST(PromotionTest, SummaryIsBase64OfTheFiveValues) {
    PromotionInfo p;
    p.recId = 12345678901LL;
    p.recType = 255;
    p.recAd = -3;
    p.fromUrl = "http://a b/";
    p.webId = "w1";
    // Base64 of "rec_id:12345678901,rec_type:255,rec_ad:-3,src_url:http://a b/,web_id:w1,".
    EXPECT_EQ(
        "cmVjX2lkOjEyMzQ1Njc4OTAxLHJlY190eXBlOjI1NSxyZWNfYWQ6LTMsc3JjX3VybDpodHRwOi8vYSBiLyx3ZWJfaWQ6dzEs",
        BuildPromotionSummary(p));
    EXPECT_EQ(Base64Encode("rec_id:0,rec_type:0,rec_ad:0,src_url:,web_id:,"),
              BuildPromotionSummary(PromotionInfo()));
}

TEST(PromotionTest, BuiltInRowsAndServerAddresses) {
    ServerAddresses local = MakeServerAddresses("http://127.0.0.1:8080");
    EXPECT_EQ("http://127.0.0.1:8080", local.configBase);
    EXPECT_EQ("http://127.0.0.1:8080/", local.cookieSite);
    EXPECT_EQ("http://127.0.0.1:8080/web/brelo55/", GetSiteWebAddress(local, "brelo55"));
    EXPECT_EQ("http://127.0.0.1:8080/stat/fimra55/downloader/", GetSiteStatsAddress(local, "fimra55"));
    ServerAddresses built = MakeServerAddresses("");
    EXPECT_EQ(0u, built.configBase.find("http://"));
    EXPECT_NE(std::string::npos, GetSiteStatsAddress(built, "gorlu55").find("gorlu55"));
    EXPECT_EQ("http://tj.x.com/y/x", ExpandSitePattern("http://tj.{site}.com/y/{site}", "x"));

    ASSERT_STREQ("brelo55", GetBuiltInProduct(0).pszSiteWord);
    ASSERT_STREQ("jupra55", GetBuiltInProduct(5).pszSiteWord);
    ProductInfo product;
    product.productId = 41;
    product.licenseUrl = "http://lic/";
    product.homePageDisplayName = "Home";
    product.homePageStatus = 2;
    product.oemId = 6;
    product.version = "9.9";
    ReptInfo rept;
    ApplyBuiltInProduct(GetBuiltInProduct(2), local, product, rept);
    EXPECT_EQ("fimra55", product.productName);
    EXPECT_EQ("Fimra", product.companyName);
    EXPECT_EQ(std::string("Fimra视频社区"), product.productFullName);
    EXPECT_EQ(std::string("Fimra视频社区"), product.displayName);
    EXPECT_EQ("", product.version);
    EXPECT_EQ("http://127.0.0.1:8080/dl1/business/fimra.exe", product.installUrl);
    EXPECT_EQ("http://127.0.0.1:8080/dl2/business/fimra.exe", product.installUrl2);
    EXPECT_EQ("fimra55.exe", product.execute);
    EXPECT_EQ("http://127.0.0.1:8080/web/brelo55/", product.homePageUrl);
    EXPECT_EQ(41u, product.productId);
    EXPECT_EQ("http://lic/", product.licenseUrl);
    EXPECT_EQ("Home", product.homePageDisplayName);
    EXPECT_EQ(2u, product.homePageStatus);
    EXPECT_EQ(6u, product.oemId);
    EXPECT_EQ("http://127.0.0.1:8080/stat/fimra55/downloader/", rept.url);
    EXPECT_EQ("fimra55", rept.productName);
    EXPECT_EQ("0.0", rept.version);
}
