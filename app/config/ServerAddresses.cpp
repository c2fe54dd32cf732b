#include "ServerAddresses.h"

#include <windows.h>

#ifndef ORVANE_CONFIG_BASE
#define ORVANE_CONFIG_BASE "http://config.velmora-tessel.com"
#endif
#ifndef ORVANE_COOKIE_SITE
#define ORVANE_COOKIE_SITE "http://down.velmora-tessel.com"
#endif
#ifndef ORVANE_DOWNLOAD_HOST1
#define ORVANE_DOWNLOAD_HOST1 "http://dl1.velmora-tessel.com"
#endif
#ifndef ORVANE_DOWNLOAD_HOST2
#define ORVANE_DOWNLOAD_HOST2 "http://dl2.velmora-tessel.com"
#endif
#ifndef ORVANE_SITE_WEB
#define ORVANE_SITE_WEB "http://www.{site}.com/"
#endif
#ifndef ORVANE_SITE_STATS
#define ORVANE_SITE_STATS "http://tj.{site}.com"
#endif

namespace {

const char kSiteToken[] = "{site}";

std::string ReadServerBaseVariable() {
    char szValue[1024];
    DWORD n = ::GetEnvironmentVariableA("ORVANE_SERVER_BASE", szValue, sizeof(szValue));
    if (n == 0 || n >= sizeof(szValue))
        return std::string();
    std::string strBase(szValue, n);
    while (!strBase.empty() && strBase.back() == '/') strBase.pop_back();
    return strBase;
}

}  // namespace

ServerAddresses MakeServerAddresses(const std::string& strOverrideBase) {
    ServerAddresses addresses;
    if (strOverrideBase.empty()) {
        addresses.configBase = ORVANE_CONFIG_BASE;
        addresses.cookieSite = ORVANE_COOKIE_SITE;
        addresses.downloadHost1 = ORVANE_DOWNLOAD_HOST1;
        addresses.downloadHost2 = ORVANE_DOWNLOAD_HOST2;
        addresses.siteWeb = ORVANE_SITE_WEB;
        addresses.siteStats = ORVANE_SITE_STATS;
        return addresses;
    }
    addresses.configBase = strOverrideBase;
    addresses.cookieSite = strOverrideBase + "/";
    addresses.downloadHost1 = strOverrideBase + "/dl1";
    addresses.downloadHost2 = strOverrideBase + "/dl2";
    addresses.siteWeb = strOverrideBase + "/web/{site}/";
    addresses.siteStats = strOverrideBase + "/stat/{site}";
    return addresses;
}

ServerAddresses GetServerAddresses() {
    return MakeServerAddresses(ReadServerBaseVariable());
}

std::string ExpandSitePattern(const std::string& strPattern, const std::string& strSiteWord) {
    std::string strOut;
    size_t nPos = 0;
    for (;;) {
        size_t nHit = strPattern.find(kSiteToken, nPos);
        if (nHit == std::string::npos)
            break;
        strOut.append(strPattern, nPos, nHit - nPos);
        strOut += strSiteWord;
        nPos = nHit + sizeof(kSiteToken) - 1;
    }
    strOut.append(strPattern, nPos, std::string::npos);
    return strOut;
}

std::string GetSiteWebAddress(const ServerAddresses& addresses, const std::string& strSiteWord) {
    return ExpandSitePattern(addresses.siteWeb, strSiteWord);
}

std::string GetSiteStatsAddress(const ServerAddresses& addresses, const std::string& strSiteWord) {
    return ExpandSitePattern(addresses.siteStats, strSiteWord) + "/downloader/";
}
