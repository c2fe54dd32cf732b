// The promotion that brought the user (browser cookies of the download site and the
// program's own file name) and the six built-in partner products used when the server
// gives nothing usable. The parsing functions take plain text and have no side effects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ProductInfo.h"
#include "ServerAddresses.h"

struct PromotionInfo {
    uint8_t recType = 0;
    int64_t recId = 0;
    int32_t recAd = 0;
    std::string fromUrl;
    std::string webId;
    std::string cookieSite;
};

struct BuiltInProduct {
    const char* pszSiteWord;
    const char* pszDisplayName;
    const char* pszInstallerPath;
};

constexpr size_t kBuiltInProductCount = 6;
// The rows in the order they are tried.
const BuiltInProduct& GetBuiltInProduct(size_t nRow);
// The display name followed by "视频社区"; uninstall entries begin with it and "-".
std::string GetBuiltInFullName(const BuiltInProduct& row);
// Sets up the product and report identity of a row. Fields the row does not name
// (productId, licenseUrl, home-page display name and status, oemId) keep their values.
void ApplyBuiltInProduct(const BuiltInProduct& row, const ServerAddresses& addresses, ProductInfo& product,
                         ReptInfo& rept);

// "%d:%I64d:%d"; what does not parse stays 0; the record type keeps its low 8 bits.
void ParseRecIdCookie(const std::string& strValue, PromotionInfo& promotion);
// The value of the named cookie in a cookie store answer ("a=1; b=2"); empty when absent.
std::string ExtractCookieValue(const std::string& strAnswer, const std::string& strName);
// The cookie of that name that the browser holds for the site, read through WinInet's
// store into 1024 bytes; empty when there is none or it does not fit. Blocks briefly.
std::string GetCookie(const std::string& strSite, const std::string& strName);

// The record id of exactly 4 or 11 digits after the last underscore of the file name part
// of strPath; 0 otherwise, also when strPath has no backslash.
int64_t GetRecIdFromFileName(const std::string& strPath);
// The same for the program's own file name.
int64_t GetRecIdFromFileName();

// Base64 of "rec_id:%I64d,rec_type:%d,rec_ad:%d,src_url:%s,web_id:%s,".
std::string BuildPromotionSummary(const PromotionInfo& promotion);
