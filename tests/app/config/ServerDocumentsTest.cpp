#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Handles.h"
#include "MakerServer.h"
#include "RefServerControl.h"
#include "ServerDocuments.h"
#include "TestSupport.h"
#include "XmlDocument.h"

namespace {

ByteVector Bytes(const std::string& strText) {
    return ByteVector(strText.begin(), strText.end());
}

class ServerDocumentsTest : public ::testing::Test {
protected:
    CComInit m_com;
};

const char kFullSetup[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<setup productId=\"41\" productName=\"kavvik\" companyName=\"Velmora\" productFullName=\"Kavvik "
    "Player\"\n"
    "  displayName=\"Kavvik\" version=\"3.2.1\" installUrl=\"http://h/a.exe\" "
    "installUrl2=\"http://h2/a.exe\"\n"
    "  execute=\"kavvik.exe\" licenseUrl=\"http://h/lic.html\" oemId=\"12abc\">\n"
    "  <homePage displayName=\"Start\" url=\"http://home/\" status=\"2\"/>\n"
    "  <homePage displayName=\"Second\" url=\"http://second/\" status=\"9\"/>\n"
    "  <rept url=\"http://stat/x/\" productName=\"kv\" version=\"3.2\"/>\n"
    "  <firstimage url=\"http://img/first.png\"/>\n"
    "  <lastimage url=\"http://img/last.png\"/>\n"
    "  <image url=\"http://img/1.png\"/><image/><image url=\"http://img/3.png\"/>\n"
    "  <recommendsetup name=\"A\" url=\"http://r/a.exe\" status=\"1\"/>\n"
    "  <recommendsetup name=\"B\" url=\"http://r/b.exe\" status=\"0\"/>\n"
    "  <recommendsetup name=\"\" url=\"http://r/c.exe\" status=\"1\"/>\n"
    "  <recommendsetup name=\"D\" status=\"1\"/>\n"
    "  <recommendsetup name=\"E\" url=\"http://r/e.exe\" status=\" 7x\"/>\n"
    "  <other><image url=\"http://nested/not-direct.png\"/></other>\n"
    "</setup>\n";

// ASCII text as UTF-16LE with a byte order mark.
std::string Utf16Le(const std::string& strAscii) {
    std::string strWide = "\xFF\xFE";
    for (char ch : strAscii) {
        strWide += ch;
        strWide += '\0';
    }
    return strWide;
}

// Ten levels of entities, each ten times the one before: 20 * 10^9 characters expanded.
std::string EntityBomb() {
    std::string strBomb = "<?xml version=\"1.0\"?><!DOCTYPE setup [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaa\">";
    std::string strPrevious = "a";
    for (int i = 1; i <= 9; ++i) {
        std::string strName = "e" + std::to_string(i);
        strBomb += "<!ENTITY " + strName + " \"";
        for (int k = 0; k < 10; ++k) strBomb += "&" + strPrevious + ";";
        strBomb += "\">";
        strPrevious = strName;
    }
    return strBomb + "]><setup><rept url=\"&e9;\"/></setup>";
}

}  // namespace

TEST_F(ServerDocumentsTest, CatalogueListsEveryProductInDocumentOrderWithAtoiRules) {
    std::vector<ProductInfo> catalogue;
    ASSERT_TRUE(ParseCatalogue(
        Bytes("<?xml version=\"1.0\"?><anything>"
              "<product id=\"7\" name=\"seven\" companyName=\"C7\" productFullName=\"Seven Full\""
              " version=\"1.0\" oemId=\"12abc\"/>"
              "<group><product id=\" 12\" name=\"twelve\" oemId=\"\"/></group>"
              "<product name=\"no-id\" id=\"x5\"/></anything>"),
        catalogue));
    ASSERT_EQ(3u, catalogue.size());
    EXPECT_EQ(7u, catalogue[0].productId);
    EXPECT_EQ("seven", catalogue[0].productName);
    EXPECT_EQ("C7", catalogue[0].companyName);
    EXPECT_EQ("Seven Full", catalogue[0].productFullName);
    EXPECT_EQ("1.0", catalogue[0].version);
    EXPECT_EQ(12u, catalogue[0].oemId);
    EXPECT_EQ(12u, catalogue[1].productId);
    EXPECT_EQ(0u, catalogue[1].oemId);
    EXPECT_EQ("twelve", catalogue[1].productName);
    EXPECT_EQ(0u, catalogue[2].productId);

    ASSERT_TRUE(ParseCatalogue(Bytes("<list/>"), catalogue));
    EXPECT_TRUE(catalogue.empty());
    catalogue.resize(2);
    EXPECT_FALSE(ParseCatalogue(Bytes("<list><product id=\"1\"></list>"), catalogue));
    EXPECT_TRUE(catalogue.empty());
    EXPECT_FALSE(ParseCatalogue(ByteVector(), catalogue));
    EXPECT_FALSE(ParseCatalogue(Bytes("no result"), catalogue));
}

TEST_F(ServerDocumentsTest, SetupDocumentFillsEveryRecordAndDropsIncompleteRecommendations) {
    SetupDocument setup;
    ASSERT_EQ(1, ParseSetupDocument(Bytes(kFullSetup), setup));
    const ProductInfo& p = setup.product;
    EXPECT_TRUE(setup.bProductRead);
    EXPECT_EQ(41u, p.productId);
    EXPECT_EQ("kavvik", p.productName);
    EXPECT_EQ("Velmora", p.companyName);
    EXPECT_EQ("Kavvik Player", p.productFullName);
    EXPECT_EQ("Kavvik", p.displayName);
    EXPECT_EQ("3.2.1", p.version);
    EXPECT_EQ("http://h/a.exe", p.installUrl);
    EXPECT_EQ("http://h2/a.exe", p.installUrl2);
    EXPECT_EQ("kavvik.exe", p.execute);
    EXPECT_EQ("http://h/lic.html", p.licenseUrl);
    EXPECT_EQ(12u, p.oemId);
    EXPECT_EQ("Start", p.homePageDisplayName);
    EXPECT_EQ("http://home/", p.homePageUrl);
    EXPECT_EQ(2u, p.homePageStatus);
    EXPECT_EQ("http://stat/x/", setup.rept.url);
    EXPECT_EQ("kv", setup.rept.productName);
    EXPECT_EQ("3.2", setup.rept.version);
    EXPECT_EQ("http://img/first.png", setup.strFirstImage);
    EXPECT_EQ("http://img/last.png", setup.strLastImage);
    EXPECT_EQ((std::vector<std::string>{"http://img/1.png", "", "http://img/3.png"}), setup.images);
    ASSERT_EQ(2u, setup.recommends.size());
    EXPECT_EQ("A", setup.recommends[0].name);
    EXPECT_EQ("http://r/a.exe", setup.recommends[0].url);
    EXPECT_EQ(1u, setup.recommends[0].status);
    EXPECT_EQ("E", setup.recommends[1].name);
    EXPECT_EQ(7u, setup.recommends[1].status);
}

TEST_F(ServerDocumentsTest, SetupDocumentsWithMissingPartsAndNoResultAnswers) {
    SetupDocument setup;
    // No homePage: loads, status 0.
    ASSERT_EQ(
        1, ParseSetupDocument(Bytes("<setup productId=\"3\" oemId=\"\"><rept url=\"u\"/></setup>"), setup));
    EXPECT_EQ(0u, setup.product.homePageStatus);
    EXPECT_TRUE(setup.product.homePageUrl.empty());
    EXPECT_EQ(0u, setup.product.oemId);
    EXPECT_TRUE(setup.images.empty());

    // No rept: fails, but the product was read.
    ASSERT_EQ(
        -1, ParseSetupDocument(Bytes("<setup productId=\"9\" productName=\"p\" oemId=\"5\">"
                                     "<homePage url=\"http://h/\" status=\"1\"/><image url=\"i\"/></setup>"),
                               setup));
    EXPECT_TRUE(setup.bProductRead);
    EXPECT_EQ(9u, setup.product.productId);
    EXPECT_EQ(5u, setup.product.oemId);
    EXPECT_EQ(1u, setup.product.homePageStatus);
    EXPECT_TRUE(setup.images.empty());

    // Wrong root, or rept not a direct child.
    EXPECT_EQ(-1, ParseSetupDocument(Bytes("<config><rept url=\"u\"/></config>"), setup));
    EXPECT_FALSE(setup.bProductRead);
    EXPECT_EQ(-1, ParseSetupDocument(Bytes("<setup><x><rept url=\"u\"/></x></setup>"), setup));

    EXPECT_EQ(0, ParseSetupDocument(Bytes("no result"), setup));
    EXPECT_EQ(0, ParseSetupDocument(Bytes("NO RESULT"), setup));
    EXPECT_EQ(0, ParseSetupDocument(Bytes("No Result for id=7\r\n"), setup));
    EXPECT_EQ(-1, ParseSetupDocument(Bytes("no resul"), setup));
    EXPECT_EQ(-1, ParseSetupDocument(Bytes(" no result"), setup));
    EXPECT_EQ(-1, ParseSetupDocument(ByteVector(), setup));
}

TEST_F(ServerDocumentsTest, TrailingZeroByteIsLeftOut) {
    ByteVector answer = Bytes(kFullSetup);
    answer.push_back(0);
    SetupDocument setup;
    ASSERT_EQ(1, ParseSetupDocument(answer, setup));
    EXPECT_EQ(41u, setup.product.productId);
    EXPECT_EQ(2u, setup.recommends.size());

    XmlDocument doc;
    EXPECT_TRUE(doc.LoadFromMemory("<a/>", 5));  // the terminating zero of the literal
    EXPECT_FALSE(doc.LoadFromMemory("", 1));
    EXPECT_FALSE(doc.LoadFromMemory(nullptr, 4));
}

TEST_F(ServerDocumentsTest, GbkAndUtf8DocumentsGiveTheSameGbkTexts) {
    // Narrow literals are GBK; u8 literals are UTF-8.
    const std::string strGbk =
        std::string("<?xml version=\"1.0\" encoding=\"GBK\"?>") +
        "<setup productName=\"酷播\" displayName=\"酷播视频\"><rept url=\"u\" version=\"版本\"/>"
        "<recommendsetup name=\"浏览器\" url=\"http://r/\" status=\"1\"/></setup>";
    const std::string strUtf8 = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") +
                                reinterpret_cast<const char*>(
                                    u8"<setup productName=\"酷播\" displayName=\"酷播视频\"><rept url=\"u\" "
                                    u8"version=\"版本\"/><recommendsetup name=\"浏览器\" url=\"http://r/\" "
                                    u8"status=\"1\"/></setup>");
    ASSERT_NE(strGbk, strUtf8);
    for (const std::string* pDoc : {&strGbk, &strUtf8}) {
        SetupDocument setup;
        ASSERT_EQ(1, ParseSetupDocument(Bytes(*pDoc), setup));
        EXPECT_EQ(std::string("酷播"), setup.product.productName);
        EXPECT_EQ(std::string("酷播视频"), setup.product.displayName);
        EXPECT_EQ(std::string("版本"), setup.rept.version);
        ASSERT_EQ(1u, setup.recommends.size());
        EXPECT_EQ(std::string("浏览器"), setup.recommends[0].name);
    }
}

TEST_F(ServerDocumentsTest, SetupRequestAndInstalledIds) {
    EXPECT_EQ("http://c/downcontainer/downLoadInfo.do?id=7;12&oemID=0&recid=12345678901",
              BuildSetupRequestUrl("http://c/downcontainer/downLoadInfo.do", "7;12", 0, 12345678901LL));
    // The query formats the OEM number with %d.
    EXPECT_EQ("http://c/d.do?oemID=-1&recid=-5", BuildSetupRequestUrl("http://c/d.do", "", 4294967295u, -5));
    EXPECT_EQ("http://c/d.do?oemID=3&recid=0", BuildSetupRequestUrl("http://c/d.do", "", 3, 0));

    std::vector<ProductInfo> catalogue(4);
    catalogue[0].productId = 7;
    catalogue[1].productId = 9;
    catalogue[2].productId = 12;
    catalogue[3].productId = 0;
    auto installedSevenAndTwelve = [](const ProductInfo& p) { return p.productId == 7 || p.productId == 12; };
    EXPECT_EQ("7;12", JoinInstalledIds(catalogue, installedSevenAndTwelve));
    EXPECT_EQ("", JoinInstalledIds(catalogue, [](const ProductInfo&) { return false; }));
    EXPECT_EQ("7;9;12;0", JoinInstalledIds(catalogue, [](const ProductInfo&) { return true; }));
    EXPECT_EQ("", JoinInstalledIds(std::vector<ProductInfo>(), [](const ProductInfo&) { return true; }));
}

TEST_F(ServerDocumentsTest, DocumentTypeDeclarationsAreRefusedWithoutTouchingFilesOrHosts) {
    ASSERT_FALSE(TestServerBase().empty());
    CTempDir dir;
    ASSERT_TRUE(WriteFileText(dir.File("secret.txt"), "TOPSECRET"));
    const std::string strHttp = TestServerUrl("/stat/xxe/start");
    const std::string strPrologue = "<?xml version=\"1.0\"?><!DOCTYPE setup ";
    std::vector<std::string> documents = {
        strPrologue + "[<!ENTITY x SYSTEM \"file:///" + dir.File("secret.txt") +
            "\">]><setup productName=\"a\"><rept url=\"&x;\"/>&x;</setup>",
        strPrologue + "[<!ENTITY x SYSTEM \"" + dir.File("secret.txt") + "\">]><setup><rept/>&x;</setup>",
        strPrologue + "[<!ENTITY x SYSTEM \"" + strHttp + "\">]><setup><rept/>&x;</setup>",
        strPrologue + "SYSTEM \"" + strHttp + "\"><setup><rept/></setup>",
        EntityBomb(),
        Utf16Le(strPrologue + "SYSTEM \"" + strHttp + "\"><setup><rept/></setup>"),
        "<!-- <!DOCTYPE x> --><?p ?><!DOCTYPE setup SYSTEM \"" + strHttp + "\"><setup><rept/></setup>",
    };
    for (const std::string& strDoc : documents) {
        XmlDocument doc;
        EXPECT_FALSE(doc.LoadFromMemory(strDoc.data(), strDoc.size())) << strDoc.substr(0, 80);
        SetupDocument setup;
        EXPECT_EQ(-1, ParseSetupDocument(Bytes(strDoc), setup));
        EXPECT_FALSE(setup.bProductRead);
    }
    EXPECT_TRUE(ServerRequests("/stat/xxe/start").empty());
    EXPECT_TRUE(MakerRecord("maker-stats.log").empty());

    // Mentioned only where it is no markup, it declares nothing: such documents load.
    const std::string strBody = "<setup productName=\"c\"><rept url=\"u\"/></setup>";
    for (const std::string& strDoc :
         {"<?xml version=\"1.0\"?><!-- <!DOCTYPE setup> -->" + strBody,
          std::string("<setup productName=\"c\"><![CDATA[<!DOCTYPE x>]]><rept url=\"u\"/></setup>"),
          "<?note <!DOCTYPE x> ?>" + strBody, Utf16Le("<!--<!DOCTYPE x>-->" + strBody)}) {
        SetupDocument setup;
        EXPECT_EQ(1, ParseSetupDocument(Bytes(strDoc), setup)) << strDoc.substr(0, 40);
        EXPECT_EQ("c", setup.product.productName);
    }
}

TEST_F(ServerDocumentsTest, Utf16DocumentsLoadAndTheirTerminatorIsTwoBytes) {
    std::string strDoc = Utf16Le("<setup productName=\"w\"><rept url=\"u\"/></setup>");
    SetupDocument setup;
    ASSERT_EQ(1, ParseSetupDocument(Bytes(strDoc), setup));
    EXPECT_EQ("w", setup.product.productName);
    ASSERT_EQ(1, ParseSetupDocument(Bytes(strDoc + std::string(2, '\0')), setup));
    EXPECT_EQ("w", setup.product.productName);
}
