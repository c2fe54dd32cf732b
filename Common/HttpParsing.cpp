#include "HttpParsing.h"

#include <cstring>

bool SplitHttpUrl(const char* pszUrl, HttpUrlParts& parts) {
    if (!pszUrl)
        return false;
    // A CR or LF would end the request line early and let the rest of the address pose as
    // headers of its own; no control byte belongs in an address.
    for (const char* p = pszUrl; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F)
            return false;
    }
    URL_COMPONENTSA uc = {};
    uc.dwStructSize = sizeof(uc);
    // Non-zero lengths with null pointers: point into pszUrl instead of copying, so no buffer
    // limits the length of any part.
    uc.dwSchemeLength = uc.dwHostNameLength = uc.dwUrlPathLength = uc.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlA(pszUrl, 0, 0, &uc))
        return false;
    if (uc.nScheme != INTERNET_SCHEME_HTTP || !uc.lpszHostName || uc.dwHostNameLength == 0)
        return false;
    parts.strHost.assign(uc.lpszHostName, uc.dwHostNameLength);
    parts.nPort = uc.nPort ? uc.nPort : INTERNET_DEFAULT_HTTP_PORT;
    parts.strObject.clear();
    if (uc.lpszUrlPath)
        parts.strObject.assign(uc.lpszUrlPath, uc.dwUrlPathLength);
    if (uc.lpszExtraInfo)
        parts.strObject.append(uc.lpszExtraInfo, uc.dwExtraInfoLength);
    if (parts.strObject.empty())
        parts.strObject = "/";
    return true;
}

int64_t ParseHttpLength(const char* pszText) {
    const char* psz = pszText;
    while (*psz == ' ' || *psz == '\t') ++psz;
    int64_t i64Value = 0;
    int nDigits = 0;
    for (; *psz >= '0' && *psz <= '9'; ++psz, ++nDigits) {
        int nDigit = *psz - '0';
        if (i64Value > (INT64_MAX - nDigit) / 10)
            return -1;
        i64Value = i64Value * 10 + nDigit;
    }
    while (*psz == ' ' || *psz == '\t') ++psz;
    return (nDigits > 0 && *psz == '\0') ? i64Value : -1;
}

bool ParseContentRange(const char* pszText, int64_t& i64First, int64_t& i64Last) {
    if (strncmp(pszText, "bytes ", 6) != 0)
        return false;
    std::string strText(pszText + 6);
    size_t nDash = strText.find('-');
    size_t nSlash = strText.find('/');
    if (nDash == std::string::npos || nSlash == std::string::npos || nSlash < nDash)
        return false;
    i64First = ParseHttpLength(strText.substr(0, nDash).c_str());
    i64Last = ParseHttpLength(strText.substr(nDash + 1, nSlash - nDash - 1).c_str());
    return i64First >= 0 && i64Last >= i64First;
}

std::string FormatHttpDate(const FILETIME& ftTime) {
    SYSTEMTIME st;
    if (ftTime.dwLowDateTime == 0 && ftTime.dwHighDateTime == 0)
        return std::string();
    char szDate[INTERNET_RFC1123_BUFSIZE + 1] = "";
    if (!::FileTimeToSystemTime(&ftTime, &st) ||
        !::InternetTimeFromSystemTimeA(&st, INTERNET_RFC1123_FORMAT, szDate, sizeof(szDate))) {
        return std::string();
    }
    return szDate;
}
