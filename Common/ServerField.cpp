#include "ServerField.h"

#include <windows.h>

#include <cstring>

#include "Log.h"
#include "StringUtil.h"

namespace {

constexpr size_t kMaxLoggedValue = 300;

bool IsLeadByte(char c) {
    return ::IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
}

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A lead byte at the end, or followed by a zero, is a broken character and refused.
bool HasOnlyNameCharacters(const std::string& strName) {
    for (size_t i = 0; i < strName.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(strName[i]);
        if (IsLeadByte(strName[i])) {
            if (i + 1 >= strName.size() || strName[i + 1] == '\0')
                return false;
            ++i;
            continue;
        }
        if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c))
            return false;
    }
    return true;
}

// The platform maps these to devices whatever extension follows, and ignores blanks before it.
bool IsDeviceName(const std::string& strName) {
    std::string strStem = strName.substr(0, strName.find('.'));
    while (!strStem.empty() && strStem.back() == ' ') strStem.pop_back();
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* psz : kDevices)
        if (EqualsNoCase(strStem, psz))
            return true;
    if (strStem.size() == 4 && strStem[3] >= '0' && strStem[3] <= '9')
        return EqualsNoCase(strStem.substr(0, 3), "COM") || EqualsNoCase(strStem.substr(0, 3), "LPT");
    return false;
}

bool IsPort(const std::string& strPort) {
    if (strPort.empty() || strPort.size() > 5)
        return false;
    for (char c : strPort)
        if (c < '0' || c > '9')
            return false;
    int nPort = std::stoi(strPort);
    return nPort >= 1 && nPort <= 65535;
}

// "host[:port]" or "[v6]:port"; a user name, password or any other byte is refused.
bool IsHostAndPort(const std::string& strAuthority) {
    std::string strRest;
    if (!strAuthority.empty() && strAuthority[0] == '[') {
        size_t nClose = strAuthority.find(']');
        if (nClose == std::string::npos || nClose < 3)
            return false;
        for (size_t i = 1; i < nClose; ++i) {
            char c = strAuthority[i];
            if (!IsAsciiAlnum(c) && c != ':' && c != '.')
                return false;
        }
        strRest = strAuthority.substr(nClose + 1);
    } else {
        size_t nColon = strAuthority.find(':');
        std::string strHost = strAuthority.substr(0, nColon);
        if (strHost.empty() || !IsAsciiAlnum(strHost[0]))
            return false;
        for (char c : strHost)
            if (!IsAsciiAlnum(c) && c != '-' && c != '.' && c != '_')
                return false;
        strRest = nColon == std::string::npos ? std::string() : strAuthority.substr(nColon);
    }
    return strRest.empty() || (strRest[0] == ':' && IsPort(strRest.substr(1)));
}

}  // namespace

bool IsPlainNameComponent(const std::string& strName) {
    if (strName.empty() || strName.size() > kMaxNameComponent || !HasOnlyNameCharacters(strName))
        return false;
    // Neither byte can be the trail byte of a double-byte character. The platform drops them,
    // so "..", "a." and "a " would name another file than the text says.
    if (strName.back() == '.' || strName.back() == ' ')
        return false;
    return !IsDeviceName(strName);
}

bool IsSafeRelativePath(const std::string& strPath) {
    if (strPath.size() > kMaxRelativePath)
        return false;
    size_t nStart = 0;
    for (size_t i = 0; i <= strPath.size(); ++i) {
        if (i < strPath.size() && IsLeadByte(strPath[i]) && i + 1 < strPath.size()) {
            ++i;
        } else if (i == strPath.size() || strPath[i] == '\\' || strPath[i] == '/') {
            if (!IsPlainNameComponent(strPath.substr(nStart, i - nStart)))
                return false;
            nStart = i + 1;
        }
    }
    return true;
}

bool HasProgramExtension(const std::string& strName) {
    // '.' is never a trail byte, so the four bytes are characters of their own.
    return strName.size() >= 4 && EqualsNoCase(strName.substr(strName.size() - 4), ".exe");
}

bool IsWebAddress(const std::string& strUrl) {
    if (strUrl.size() > kMaxWebAddress)
        return false;
    for (char c : strUrl) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b == 0x7F)
            return false;
    }
    size_t nStart = 0;
    if (StartsWithNoCase(strUrl, "http://"))
        nStart = 7;
    else if (StartsWithNoCase(strUrl, "https://"))
        nStart = 8;
    else
        return false;
    size_t nEnd = strUrl.find_first_of("/?#", nStart);
    if (nEnd == std::string::npos)
        nEnd = strUrl.size();
    return IsHostAndPort(strUrl.substr(nStart, nEnd - nStart));
}

void LogRefusedField(const char* pszField, const std::string& strValue) {
    std::string strShown;
    for (size_t i = 0; i < strValue.size() && strShown.size() < kMaxLoggedValue; ++i) {
        unsigned char c = static_cast<unsigned char>(strValue[i]);
        unsigned char next = i + 1 < strValue.size() ? static_cast<unsigned char>(strValue[i + 1]) : 0;
        if (IsLeadByte(strValue[i]) && next >= 0x20 && next != 0x7F) {
            strShown.append(strValue, i, 2);
            ++i;
        } else if (c < 0x20 || c == 0x7F || IsLeadByte(strValue[i])) {
            strShown += StrFormat("\\x%02X", c);
        } else {
            strShown += strValue[i];
        }
    }
    if (strShown.size() >= kMaxLoggedValue)
        strShown += "...";
    LOGF(0, "ServerField(%s) 拒绝 [%s]\n", pszField, strShown.c_str());
}

bool AcceptPlainName(const char* pszField, const std::string& strValue) {
    if (IsPlainNameComponent(strValue))
        return true;
    LogRefusedField(pszField, strValue);
    return false;
}

bool AcceptWebAddress(const char* pszField, const std::string& strValue) {
    if (IsWebAddress(strValue))
        return true;
    LogRefusedField(pszField, strValue);
    return false;
}
