// Addresses of the maker's servers. They are fixed at build time (CMake cache variables
// ORVANE_CONFIG_BASE, ORVANE_COOKIE_SITE, ORVANE_DOWNLOAD_HOST1, ORVANE_DOWNLOAD_HOST2,
// ORVANE_SITE_WEB, ORVANE_SITE_STATS). One environment variable, ORVANE_SERVER_BASE (for
// example "http://127.0.0.1:8080"), points all of them at one local reference server:
//
//   configuration server   <base>
//   cookie site            <base>/
//   download hosts         <base>/dl1 and <base>/dl2
//   web site of a row      <base>/web/<siteword>/
//   statistics of a row    <base>/stat/<siteword>/downloader/
//
// Nothing is read from a file. Any thread may call these; the environment is read each time.
#pragma once

#include <string>

struct ServerAddresses {
    std::string configBase;     // scheme and host, no trailing "/"
    std::string cookieSite;     // the address whose browser cookies carry the promotion
    std::string downloadHost1;  // primary host of the built-in installers, no trailing "/"
    std::string downloadHost2;  // secondary host
    std::string siteWeb;        // web site pattern, "{site}" stands for the site word
    std::string siteStats;      // statistics host pattern, "{site}" stands for the site word
};

// The build-time addresses, or those under strOverrideBase when it is not empty.
ServerAddresses MakeServerAddresses(const std::string& strOverrideBase);
// MakeServerAddresses with the value of ORVANE_SERVER_BASE.
ServerAddresses GetServerAddresses();

// The pattern with every "{site}" replaced by the site word.
std::string ExpandSitePattern(const std::string& strPattern, const std::string& strSiteWord);
// The web site of a built-in row's site word.
std::string GetSiteWebAddress(const ServerAddresses& addresses, const std::string& strSiteWord);
// The statistics address of a built-in row: its host followed by "/downloader/".
std::string GetSiteStatsAddress(const ServerAddresses& addresses, const std::string& strSiteWord);
