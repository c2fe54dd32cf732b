#include "Encoders.h"

std::string Base64Encode(const std::string& strText) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string strOut;
    strOut.reserve((strText.size() + 2) / 3 * 4);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(strText.data());
    size_t n = strText.size();
    for (size_t i = 0; i < n; i += 3) {
        unsigned v = p[i] << 16;
        if (i + 1 < n)
            v |= p[i + 1] << 8;
        if (i + 2 < n)
            v |= p[i + 2];
        strOut += kAlphabet[(v >> 18) & 0x3F];
        strOut += kAlphabet[(v >> 12) & 0x3F];
        strOut += i + 1 < n ? kAlphabet[(v >> 6) & 0x3F] : '=';
        strOut += i + 2 < n ? kAlphabet[v & 0x3F] : '=';
    }
    return strOut;
}

std::string UrlEncode(const std::string& strText) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string strOut;
    strOut.reserve(strText.size() * 3);
    for (char ch : strText) {
        unsigned char c = static_cast<unsigned char>(ch);
        bool bKept = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ':' ||
                     c == '/' || c == '.';
        if (bKept) {
            strOut += ch;
        } else if (c == ' ' || (c >= '\t' && c <= '\r')) {
            strOut += '+';
        } else {
            strOut += '%';
            strOut += kHex[c >> 4];
            strOut += kHex[c & 0x0F];
        }
    }
    return strOut;
}
