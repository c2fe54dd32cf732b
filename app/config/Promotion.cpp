#include "Promotion.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <cstring>

#include "Encoders.h"
#include "StringUtil.h"

namespace {

const BuiltInProduct kBuiltInProducts[kBuiltInProductCount] = {
    {"brelo55", "Brelo", "/business/brelo.exe"}, {"dunsa55", "Dunsa", "/business/dunsa.exe"},
    {"fimra55", "Fimra", "/business/fimra.exe"}, {"gorlu55", "Gorlu", "/business/gorlu.exe"},
    {"hesko55", "Hesko", "/business/hesko.exe"}, {"jupra55", "Jupra", "/business/jupra.exe"},
};

const size_t kCookieBufferBytes = 1024;
const size_t kModulePathBytes = 520;

std::string TrimBlanks(const std::string& strText) {
    size_t nFirst = strText.find_first_not_of(" \t");
    if (nFirst == std::string::npos)
        return std::string();
    size_t nLast = strText.find_last_not_of(" \t");
    return strText.substr(nFirst, nLast - nFirst + 1);
}

}  // namespace

const BuiltInProduct& GetBuiltInProduct(size_t nRow) {
    return kBuiltInProducts[nRow % kBuiltInProductCount];
}

std::string GetBuiltInFullName(const BuiltInProduct& row) {
    return std::string(row.pszDisplayName) + "视频社区";
}

void ApplyBuiltInProduct(const BuiltInProduct& row, const ServerAddresses& addresses, ProductInfo& product,
                         ReptInfo& rept) {
    std::string strFullName = GetBuiltInFullName(row);
    product.productName = row.pszSiteWord;
    product.companyName = row.pszDisplayName;
    product.productFullName = strFullName;
    product.displayName = strFullName;
    product.version.clear();
    product.installUrl = addresses.downloadHost1 + row.pszInstallerPath;
    product.installUrl2 = addresses.downloadHost2 + row.pszInstallerPath;
    product.execute = std::string(row.pszSiteWord) + ".exe";
    product.homePageUrl = GetSiteWebAddress(addresses, GetBuiltInProduct(0).pszSiteWord);
    rept.url = GetSiteStatsAddress(addresses, row.pszSiteWord);
    rept.productName = row.pszSiteWord;
    rept.version = "0.0";
}

void ParseRecIdCookie(const std::string& strValue, PromotionInfo& promotion) {
    // The three numbers of "%d:%I64d:%d", read as sscanf would: each may have leading blanks
    // and a sign, the colons must follow at once, and the first failure ends the reading.
    long long i64Numbers[3] = {0, 0, 0};
    const char* p = strValue.c_str();
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (*p != ':')
                break;
            ++p;
        }
        char* pEnd = nullptr;
        long long i64Value = strtoll(p, &pEnd, 10);
        if (pEnd == p)
            break;
        i64Numbers[i] = i64Value;
        p = pEnd;
    }
    promotion.recType = static_cast<uint8_t>(i64Numbers[0] & 0xFF);
    promotion.recId = i64Numbers[1];
    promotion.recAd = static_cast<int32_t>(i64Numbers[2]);
}

std::string ExtractCookieValue(const std::string& strAnswer, const std::string& strName) {
    size_t nPos = 0;
    while (nPos <= strAnswer.size()) {
        size_t nEnd = strAnswer.find(';', nPos);
        if (nEnd == std::string::npos)
            nEnd = strAnswer.size();
        std::string strPair = TrimBlanks(strAnswer.substr(nPos, nEnd - nPos));
        size_t nEquals = strPair.find('=');
        if (nEquals != std::string::npos && strPair.compare(0, nEquals, strName) == 0) {
            return strPair.substr(nEquals + 1);
        }
        nPos = nEnd + 1;
    }
    return std::string();
}

std::string GetCookie(const std::string& strSite, const std::string& strName) {
    char szAnswer[kCookieBufferBytes] = {};
    DWORD nSize = sizeof(szAnswer);
    if (!::InternetGetCookieA(strSite.c_str(), strName.c_str(), szAnswer, &nSize))
        return std::string();
    if (nSize >= sizeof(szAnswer))
        return std::string();
    return ExtractCookieValue(std::string(szAnswer, strnlen(szAnswer, sizeof(szAnswer))), strName);
}

int64_t GetRecIdFromFileName(const std::string& strPath) {
    size_t nSlash = strPath.rfind('\\');
    if (nSlash == std::string::npos)
        return 0;
    std::string strName = strPath.substr(nSlash + 1);
    size_t nUnderscore = strName.rfind('_');
    if (nUnderscore == std::string::npos)
        return 0;
    size_t nDigits = 0;
    while (nUnderscore + 1 + nDigits < strName.size() &&
           isdigit(static_cast<unsigned char>(strName[nUnderscore + 1 + nDigits]))) {
        ++nDigits;
    }
    if (nDigits != 4 && nDigits != 11)
        return 0;
    return _atoi64(strName.substr(nUnderscore + 1, nDigits).c_str());
}

int64_t GetRecIdFromFileName() {
    char szPath[kModulePathBytes] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, szPath, sizeof(szPath));
    if (n == 0 || n >= sizeof(szPath))
        return 0;
    return GetRecIdFromFileName(std::string(szPath, n));
}

std::string BuildPromotionSummary(const PromotionInfo& promotion) {
    std::string strText = StrFormat("rec_id:%I64d,rec_type:%d,rec_ad:%d,src_url:%s,web_id:%s,",
                                    promotion.recId, static_cast<int>(promotion.recType), promotion.recAd,
                                    promotion.fromUrl.c_str(), promotion.webId.c_str());
    return Base64Encode(strText);
}
