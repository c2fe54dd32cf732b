// Addresses of the event reports sent to the statistics server. Pure text building; the
// values are taken when the report is made.
#pragma once

#include <cstdint>
#include <string>

#include "ProductInfo.h"
#include "Promotion.h"

constexpr char kReportFormatVersion[] = "G1.0.0";

struct ReportFields {
    ReptInfo rept;
    PromotionInfo promotion;
    uint32_t oemId = 0;
};

// Percent-encodes the bytes that cannot stand in an HTTP request line (control bytes
// 0x00-0x1F, space, 0x7F) and those that would end the address or add a field to its query
// ("#", "%", "&", "+", "="). Every other byte, GBK bytes included, stays as it is.
std::string EscapeQueryValue(const std::string& strText);

// "%s%s?dlver=%s&pname=%s&pver=%s&cmdtype=%d&cmdid=%I64d&ad=%d&oemid=%d&fromurl=%s&webid=%s"
// followed by strTail (for example "&dltime=%d" already filled in).
std::string BuildReportAddress(const ReportFields& fields, const char* pszEvent, const std::string& strTail);
