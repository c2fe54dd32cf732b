// The configuration server's two documents: the product catalogue and the setup
// configuration. Parsing is kept apart from fetching so that it can be fed plain bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "HttpClass.h"
#include "ProductInfo.h"

// Paths on the configuration server and the copies of the answers (relative to the current
// working directory).
constexpr char kCataloguePath[] = "/downcontainer/downLoad.do";
constexpr char kSetupPath[] = "/downcontainer/downLoadInfo.do";
constexpr char kCatalogueCopy[] = "log\\1.xml";
constexpr char kSetupCopy[] = "log\\2.xml";

// What a setup document yields. bProductRead tells that the setup element was found and
// product holds it, even when the document fails later (no rept).
struct SetupDocument {
    bool bProductRead = false;
    ProductInfo product;
    ReptInfo rept;
    std::string strFirstImage;
    std::string strLastImage;
    std::vector<std::string> images;
    std::vector<RecommendSetup> recommends;
};

// The answer begins with "no result" in any letter case.
bool IsNoResultAnswer(const ByteVector& answer);
// Every "//product" in document order. False when the bytes do not parse or the selection
// fails; an empty list is a success. The calling thread must have initialised COM.
bool ParseCatalogue(const ByteVector& answer, std::vector<ProductInfo>& catalogue);
// 1 loaded, 0 "no result", -1 not usable (not XML, no setup root, no rept). The calling
// thread must have initialised COM.
int ParseSetupDocument(const ByteVector& answer, SetupDocument& setup);

// Judges what a read setup document names that becomes a path, a program, a registry value
// or an address. False when the product's own names (productName a plain name; the full name
// and version empty or plain names) or its download and report addresses (empty or web
// addresses) are unsafe: the whole document is then unusable. A home-page offer, recommended
// product or picture whose address is no web address is dropped (the offer's status becomes
// 0, a picture's address empty text) and the document stays usable. Refusals are logged.
bool CheckSetupFields(SetupDocument& setup);

// The setup request: with ids "%s?id=%s&oemID=%d&recid=%I64d", else "%s?oemID=%d&recid=%I64d".
std::string BuildSetupRequestUrl(const std::string& strSetupAddress, const std::string& strIds,
                                 uint32_t nOemId, int64_t i64RecId);
// "7;12": the ids of the catalogue entries that isInstalled accepts, in list order.
std::string JoinInstalledIds(const std::vector<ProductInfo>& catalogue,
                             const std::function<bool(const ProductInfo&)>& isInstalled);

// GET with one immediate retry. Blocks; creates its own HTTP client.
bool FetchDocument(const std::string& strUrl, ByteVector& answer);
// Writes the answer to the file, replacing it; failures are ignored.
void SaveAnswer(const ByteVector& answer, const char* pszFile);
