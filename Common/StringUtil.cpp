#include "StringUtil.h"

#include <windows.h>

#include <cstdio>
#include <vector>

std::string StrFormatV(const char* pszFormat, va_list args) {
    char szSmall[512];
    va_list copy;
    va_copy(copy, args);
    int n = _vsnprintf(szSmall, sizeof(szSmall), pszFormat, copy);
    va_end(copy);
    if (n >= 0 && n < static_cast<int>(sizeof(szSmall)))
        return std::string(szSmall, n);
    // msvcrt answers -1 when the text does not fit; _vscprintf tells the real length.
    va_copy(copy, args);
    int nNeeded = _vscprintf(pszFormat, copy);
    va_end(copy);
    if (nNeeded < 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(nNeeded) + 1);
    va_copy(copy, args);
    n = _vsnprintf(buffer.data(), buffer.size(), pszFormat, copy);
    va_end(copy);
    if (n < 0)
        return std::string();
    return std::string(buffer.data(), n);
}

std::string StrFormat(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string text = StrFormatV(pszFormat, args);
    va_end(args);
    return text;
}

namespace {
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        // A trail byte of a double-byte character may look like an ASCII letter (GBK 81 41
        // and 81 61 are different characters), so a lead byte and its trail compare exactly.
        if (::IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < prefix.size()) {
            if (text[i] != prefix[i] || text[i + 1] != prefix[i + 1])
                return false;
            ++i;
        } else if (LowerAscii(text[i]) != LowerAscii(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}
