#include "ReportAddress.h"

#include <cstring>

#include "Encoders.h"
#include "StringUtil.h"

std::string EscapeQueryValue(const std::string& strText) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string strOut;
    strOut.reserve(strText.size());
    for (char ch : strText) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c == 0x7F || std::strchr("#%&+=", c)) {
            strOut += '%';
            strOut += kHex[c >> 4];
            strOut += kHex[c & 0x0F];
        } else {
            strOut += ch;
        }
    }
    return strOut;
}

std::string BuildReportAddress(const ReportFields& fields, const char* pszEvent, const std::string& strTail) {
    std::string strFromUrl = UrlEncode(fields.fromUrl);
    std::string strAddress =
        StrFormat("%s%s?dlver=%s&pname=%s&pver=%s&cmdtype=%d&cmdid=%I64d&ad=%d&oemid=%d&fromurl=%s&webid=%s",
                  fields.url.c_str(), pszEvent, kReportFormatVersion,
                  EscapeQueryValue(fields.productName).c_str(), EscapeQueryValue(fields.version).c_str(),
                  static_cast<int>(fields.recType), fields.recId, fields.recAd,
                  static_cast<int>(fields.oemId), strFromUrl.c_str(), EscapeQueryValue(fields.webId).c_str());
    return strAddress + strTail;
}
