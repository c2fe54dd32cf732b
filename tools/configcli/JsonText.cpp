#include "JsonText.h"

#include <windows.h>

#include "StringUtil.h"

namespace {

std::string AnsiToUtf8(const std::string& strAnsi) {
    if (strAnsi.empty())
        return std::string();
    int nWide =
        ::MultiByteToWideChar(CP_ACP, 0, strAnsi.data(), static_cast<int>(strAnsi.size()), nullptr, 0);
    if (nWide <= 0)
        return std::string();
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, strAnsi.data(), static_cast<int>(strAnsi.size()), &strWide[0], nWide);
    int nUtf8 = ::WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nWide, nullptr, 0, nullptr, nullptr);
    if (nUtf8 <= 0)
        return std::string();
    std::string strUtf8(static_cast<size_t>(nUtf8), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, strWide.data(), nWide, &strUtf8[0], nUtf8, nullptr, nullptr);
    return strUtf8;
}

}  // namespace

std::string JsonString(const std::string& strAnsi) {
    std::string strOut = "\"";
    for (char ch : AnsiToUtf8(strAnsi)) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            strOut += '\\';
            strOut += ch;
        } else if (c < 0x20) {
            strOut += StrFormat("\\u%04x", c);
        } else {
            strOut += ch;
        }
    }
    return strOut + "\"";
}

void CJsonObject::Key(const char* pszKey) {
    if (!m_strBody.empty())
        m_strBody += ",";
    m_strBody += JsonString(pszKey) + ":";
}

CJsonObject& CJsonObject::Add(const char* pszKey, const std::string& strText) {
    Key(pszKey);
    m_strBody += JsonString(strText);
    return *this;
}

CJsonObject& CJsonObject::Add(const char* pszKey, int64_t i64Value) {
    Key(pszKey);
    m_strBody += StrFormat("%I64d", i64Value);
    return *this;
}

CJsonObject& CJsonObject::Add(const char* pszKey, const std::vector<std::string>& texts) {
    std::string strArray = "[";
    for (size_t i = 0; i < texts.size(); ++i) strArray += (i ? "," : "") + JsonString(texts[i]);
    return AddRaw(pszKey, strArray + "]");
}

CJsonObject& CJsonObject::AddRaw(const char* pszKey, const std::string& strJson) {
    Key(pszKey);
    m_strBody += strJson;
    return *this;
}
