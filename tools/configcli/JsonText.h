// A small JSON writer for configcli. Narrow texts are GBK (the system code page) and are
// written as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The system-code-page text as a quoted, escaped JSON string in UTF-8.
std::string JsonString(const std::string& strAnsi);

// Builds one JSON object; values are added in order.
class CJsonObject {
public:
    CJsonObject& Add(const char* pszKey, const std::string& strText);
    CJsonObject& Add(const char* pszKey, const char* pszText) { return Add(pszKey, std::string(pszText)); }
    CJsonObject& Add(const char* pszKey, int64_t i64Value);
    CJsonObject& Add(const char* pszKey, const std::vector<std::string>& texts);
    // strJson is already JSON (an object or an array).
    CJsonObject& AddRaw(const char* pszKey, const std::string& strJson);
    std::string Text() const { return "{" + m_strBody + "}"; }

private:
    void Key(const char* pszKey);
    std::string m_strBody;
};
