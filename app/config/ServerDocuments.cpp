#include "ServerDocuments.h"

#include <algorithm>
#include <cctype>

#include "Handles.h"
#include "ServerField.h"
#include "StringUtil.h"
#include "XmlDocument.h"

namespace {

ProductInfo ReadCatalogueEntry(IXMLDOMNode* pNode) {
    ProductInfo info;
    info.productId = XmlDocument::AttributeInt(pNode, "id");
    info.productName = XmlDocument::AttributeText(pNode, "name");
    info.companyName = XmlDocument::AttributeText(pNode, "companyName");
    info.productFullName = XmlDocument::AttributeText(pNode, "productFullName");
    info.version = XmlDocument::AttributeText(pNode, "version");
    info.oemId = XmlDocument::AttributeInt(pNode, "oemId");
    return info;
}

ProductInfo ReadSetupProduct(IXMLDOMNode* pNode) {
    ProductInfo info;
    info.productId = XmlDocument::AttributeInt(pNode, "productId");
    info.productName = XmlDocument::AttributeText(pNode, "productName");
    info.companyName = XmlDocument::AttributeText(pNode, "companyName");
    info.productFullName = XmlDocument::AttributeText(pNode, "productFullName");
    info.displayName = XmlDocument::AttributeText(pNode, "displayName");
    info.version = XmlDocument::AttributeText(pNode, "version");
    info.installUrl = XmlDocument::AttributeText(pNode, "installUrl");
    info.installUrl2 = XmlDocument::AttributeText(pNode, "installUrl2");
    info.execute = XmlDocument::AttributeText(pNode, "execute");
    info.licenseUrl = XmlDocument::AttributeText(pNode, "licenseUrl");
    info.oemId = XmlDocument::AttributeInt(pNode, "oemId");
    return info;
}

void ReadHomePage(const XmlDocument& doc, ProductInfo& info) {
    CComPtr<IXMLDOMNode> node;
    if (!doc.SelectSingleNode("/setup/homePage", node)) {
        info.homePageStatus = 0;
        return;
    }
    info.homePageDisplayName = XmlDocument::AttributeText(node.Get(), "displayName");
    info.homePageUrl = XmlDocument::AttributeText(node.Get(), "url");
    info.homePageStatus = XmlDocument::AttributeInt(node.Get(), "status");
}

void ReadImages(const XmlDocument& doc, SetupDocument& setup) {
    CComPtr<IXMLDOMNode> node;
    if (doc.SelectSingleNode("/setup/firstimage", node))
        setup.strFirstImage = XmlDocument::AttributeText(node.Get(), "url");
    if (doc.SelectSingleNode("/setup/lastimage", node))
        setup.strLastImage = XmlDocument::AttributeText(node.Get(), "url");
    XmlNodeList images;
    doc.SelectNodes("/setup/image", images);
    for (const auto& image : images) setup.images.push_back(XmlDocument::AttributeText(image.Get(), "url"));
}

void ReadRecommends(const XmlDocument& doc, SetupDocument& setup) {
    XmlNodeList nodes;
    doc.SelectNodes("/setup/recommendsetup", nodes);
    for (const auto& node : nodes) {
        RecommendSetup item;
        item.name = XmlDocument::AttributeText(node.Get(), "name");
        item.url = XmlDocument::AttributeText(node.Get(), "url");
        item.status = XmlDocument::AttributeInt(node.Get(), "status");
        if (!item.name.empty() && !item.url.empty() && item.status != 0)
            setup.recommends.push_back(item);
    }
}

bool IsEmptyOrPlainName(const char* pszField, const std::string& strValue) {
    return strValue.empty() || AcceptPlainName(pszField, strValue);
}

bool IsEmptyOrWebAddress(const char* pszField, const std::string& strValue) {
    return strValue.empty() || AcceptWebAddress(pszField, strValue);
}

// A picture the loader could never fetch anyway: its place in the slideshow stays, empty.
void DropUnsafePicture(std::string& strUrl) {
    if (!IsEmptyOrWebAddress("image url", strUrl))
        strUrl.clear();
}

}  // namespace

bool IsNoResultAnswer(const ByteVector& answer) {
    static const char kNoResult[] = "no result";
    if (answer.size() < sizeof(kNoResult) - 1)
        return false;
    for (size_t i = 0; i < sizeof(kNoResult) - 1; ++i) {
        if (tolower(answer[i]) != kNoResult[i])
            return false;
    }
    return true;
}

bool ParseCatalogue(const ByteVector& answer, std::vector<ProductInfo>& catalogue) {
    catalogue.clear();
    XmlDocument doc;
    if (!doc.LoadFromMemory(answer.data(), answer.size()))
        return false;
    XmlNodeList products;
    if (!doc.SelectNodes("//product", products))
        return false;
    for (const auto& product : products) catalogue.push_back(ReadCatalogueEntry(product.Get()));
    return true;
}

int ParseSetupDocument(const ByteVector& answer, SetupDocument& setup) {
    setup = SetupDocument();
    if (IsNoResultAnswer(answer))
        return 0;
    XmlDocument doc;
    if (!doc.LoadFromMemory(answer.data(), answer.size()))
        return -1;
    CComPtr<IXMLDOMNode> root;
    if (!doc.SelectSingleNode("/setup", root))
        return -1;
    setup.product = ReadSetupProduct(root.Get());
    ReadHomePage(doc, setup.product);
    setup.bProductRead = true;
    CComPtr<IXMLDOMNode> rept;
    if (!doc.SelectSingleNode("/setup/rept", rept))
        return -1;
    setup.rept.url = XmlDocument::AttributeText(rept.Get(), "url");
    setup.rept.productName = XmlDocument::AttributeText(rept.Get(), "productName");
    setup.rept.version = XmlDocument::AttributeText(rept.Get(), "version");
    ReadImages(doc, setup);
    ReadRecommends(doc, setup);
    return 1;
}

bool CheckSetupFields(SetupDocument& setup) {
    ProductInfo& product = setup.product;
    // The product name becomes the default install folder, a registry key and a process name;
    // the full name and version the uninstall entry's name and the taskbar shortcut's file.
    // Each is judged, so that every refusal is in the log.
    bool bUsable = AcceptPlainName("productName", product.productName);
    bUsable = IsEmptyOrPlainName("productFullName", product.productFullName) && bUsable;
    bUsable = IsEmptyOrPlainName("version", product.version) && bUsable;
    bUsable = IsEmptyOrWebAddress("installUrl", product.installUrl) && bUsable;
    bUsable = IsEmptyOrWebAddress("installUrl2", product.installUrl2) && bUsable;
    bUsable = IsEmptyOrWebAddress("rept url", setup.rept.url) && bUsable;
    if (!bUsable)
        return false;
    bool bHomePageOffered = product.homePageStatus != 0 || !product.homePageUrl.empty();
    if (bHomePageOffered && !AcceptWebAddress("homePage url", product.homePageUrl)) {
        product.homePageUrl.clear();
        product.homePageStatus = 0;
    }
    auto& items = setup.recommends;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [](const RecommendSetup& item) {
                                   return !AcceptWebAddress("recommendsetup url", item.url);
                               }),
                items.end());
    DropUnsafePicture(setup.strFirstImage);
    DropUnsafePicture(setup.strLastImage);
    for (std::string& strUrl : setup.images) DropUnsafePicture(strUrl);
    return true;
}

std::string BuildSetupRequestUrl(const std::string& strSetupAddress, const std::string& strIds,
                                 uint32_t nOemId, int64_t i64RecId) {
    if (!strIds.empty()) {
        return StrFormat("%s?id=%s&oemID=%d&recid=%I64d", strSetupAddress.c_str(), strIds.c_str(),
                         static_cast<int>(nOemId), i64RecId);
    }
    return StrFormat("%s?oemID=%d&recid=%I64d", strSetupAddress.c_str(), static_cast<int>(nOemId), i64RecId);
}

std::string JoinInstalledIds(const std::vector<ProductInfo>& catalogue,
                             const std::function<bool(const ProductInfo&)>& isInstalled) {
    std::string strIds;
    for (const auto& entry : catalogue) {
        if (isInstalled(entry))
            strIds += StrFormat("%d;", static_cast<int>(entry.productId));
    }
    while (!strIds.empty() && strIds.back() == ';') strIds.pop_back();
    return strIds;
}

bool FetchDocument(const std::string& strUrl, ByteVector& answer) {
    CHttpClass http;
    if (http.SendHttpMsg(strUrl.c_str(), answer) == 1)
        return true;
    return http.SendHttpMsg(strUrl.c_str(), answer) == 1;
}

void SaveAnswer(const ByteVector& answer, const char* pszFile) {
    CFileHandle hFile(::CreateFileA(pszFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile || answer.empty())
        return;
    DWORD nWritten = 0;
    ::WriteFile(hFile.Get(), answer.data(), static_cast<DWORD>(answer.size()), &nWritten, nullptr);
}
