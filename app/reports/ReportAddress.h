// Addresses of the event reports sent to the statistics server. Pure text building; the
// values are taken when the report is made.
#pragma once

#include <cstdint>
#include <string>

constexpr char kReportFormatVersion[] = "G1.0.0";

// What a report says besides its event: who reports (the statistics base address, the
// product's name and version), the promotion that brought the user, and the OEM number.
struct ReportFields {
    std::string url;
    std::string productName;
    std::string version;
    uint8_t recType = 0;
    int64_t recId = 0;
    int32_t recAd = 0;
    std::string fromUrl;
    std::string webId;
    uint32_t oemId = 0;
};

// Percent-encodes the bytes that cannot stand in an HTTP request line (control bytes
// 0x00-0x1F, space, 0x7F) and those that would end the address or add a field to its query
// ("#", "%", "&", "+", "="). Every other byte, GBK bytes included, stays as it is.
std::string EscapeQueryValue(const std::string& strText);

// "%s%s?dlver=%s&pname=%s&pver=%s&cmdtype=%d&cmdid=%I64d&ad=%d&oemid=%d&fromurl=%s&webid=%s"
// followed by strTail (for example "&dltime=%d" already filled in).
std::string BuildReportAddress(const ReportFields& fields, const char* pszEvent, const std::string& strTail);
