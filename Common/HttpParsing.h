// Text of HTTP addresses and answer headers turned into values: pure functions over strings,
// shared by the HTTP client and its tests.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

struct HttpUrlParts {
    std::string strHost;
    INTERNET_PORT nPort = INTERNET_DEFAULT_HTTP_PORT;
    // Path and query; "/" when the address has neither.
    std::string strObject;
};

// Splits an http address into host, port (80 when none is given) and object. False for any
// other scheme, an address without a host, or one holding a control byte.
bool SplitHttpUrl(const char* pszUrl, HttpUrlParts& parts);
// Decimal digits with blanks around them, no sign, as Content-Length carries them; -1 for
// anything else or a value beyond 64 bits.
int64_t ParseHttpLength(const char* pszText);
// "bytes first-last/total" (total may be "*"); false for anything else or last < first.
bool ParseContentRange(const char* pszText, int64_t& i64First, int64_t& i64Last);
// The date as an HTTP date (RFC 1123); empty for the zero date or one that cannot be converted.
std::string FormatHttpDate(const FILETIME& ftTime);
